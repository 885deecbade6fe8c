#pragma once
// The device context of a print job or print preview: the image library's
// device context over the printer's painter (KVXPainterDeviceContext.h),
// with the printer's capabilities:
//
// - HORZRES, VERTRES: the printable area in device pixels;
// - LOGPIXELSX, LOGPIXELSY: device pixels per inch;
// - any other index gives 0.
//
// The context is made before the document starts, so the capabilities can
// be read before the painter is active; drawing waits for the page loop.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXPainterDeviceContext.h"

class QPrinter;

class PENDREL_API CKVXPrinterDeviceContext : public CKVXPainterDeviceContext {
public:
    // Painter and printer must outlive this object.
    CKVXPrinterDeviceContext(QPainter& painter, QPrinter& printer);
    ~CKVXPrinterDeviceContext() override;

    int GetDeviceCaps(int index) const;
    QPrinter& Printer() { return m_printer; }

private:
    QPrinter& m_printer;
};
