#include "Pendrel/Platform/KVXPrinterDeviceContext.h"

#include <QPrinter>

#include "compat/WinUser.h"

CKVXPrinterDeviceContext::CKVXPrinterDeviceContext(QPainter& painter, QPrinter& printer)
    : CKVXPainterDeviceContext(painter), m_printer(printer) {}

CKVXPrinterDeviceContext::~CKVXPrinterDeviceContext() = default;

int CKVXPrinterDeviceContext::GetDeviceCaps(int index) const {
    switch (index) {
    case HORZRES: return m_printer.width();
    case VERTRES: return m_printer.height();
    case LOGPIXELSX: return m_printer.logicalDpiX();
    case LOGPIXELSY: return m_printer.logicalDpiY();
    default: return 0;
    }
}
