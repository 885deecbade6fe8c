#pragma once
// The print dialog of a print job: asks the user for the printer and the
// pages. The handler gets the job's printer and the print information
// (minimum and maximum page set) and gives TRUE to print, FALSE when the
// user cancelled; for a page range it sets the information's first and
// last page, otherwise all pages print.
//
// The default handler is Qt's print dialog, which also offers printing to
// a PDF file (the only choice on a machine without printers). Tests put a
// handler of their own in its place.

#include <functional>

#include "Pendrel/Core/PrintInfo.h"
#include "Pendrel/PendrelApi.h"

class QPrinter;
class QWidget;

using KVXPrintDialogHandler = std::function<BOOL(QWidget* parent, QPrinter& printer, CPrintInfo& info)>;

PENDREL_API BOOL KVXShowPrintDialog(QWidget* parent, QPrinter& printer, CPrintInfo& info);
// An empty handler brings the print dialog back.
PENDREL_API void KVXSetPrintDialogHandler(KVXPrintDialogHandler handler);
