#include "Pendrel/Dialogs/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

#include <mutex>
#include <utility>

namespace {

std::mutex g_handlerMutex;
KVXPrintDialogHandler g_handler;

BOOL ShowQtPrintDialog(QWidget* parent, QPrinter& printer, CPrintInfo& info) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange);
    dialog.setMinMax(static_cast<int>(info.GetMinPage()), static_cast<int>(info.GetMaxPage()));
    printer.setPrintRange(QPrinter::AllPages);
    if (dialog.exec() != QDialog::Accepted) return FALSE;
    if (printer.printRange() == QPrinter::PageRange) {
        info.SetFromPage(static_cast<UINT>(printer.fromPage()));
        info.SetToPage(static_cast<UINT>(printer.toPage()));
    }
    return TRUE;
}

} // namespace

BOOL KVXShowPrintDialog(QWidget* parent, QPrinter& printer, CPrintInfo& info) {
    KVXPrintDialogHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerMutex);
        handler = g_handler;
    }
    return handler ? handler(parent, printer, info) : ShowQtPrintDialog(parent, printer, info);
}

void KVXSetPrintDialogHandler(KVXPrintDialogHandler handler) {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    g_handler = std::move(handler);
}
