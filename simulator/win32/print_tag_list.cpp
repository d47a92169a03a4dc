#include "simulator/win32/print_tag_list.h"

#include "simulator/win32/tag_list_drawing.h"

#include <commdlg.h>

namespace moxlan::win32 {

namespace {

// The printer's own device context, deleted with this object.
class PrinterDc
{
public:
    explicit PrinterDc(HDC dc) : m_dc(dc) {}
    ~PrinterDc()
    {
        if (m_dc) DeleteDC(m_dc);
    }
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;
    HDC get() const { return m_dc; }

private:
    HDC m_dc;
};

void printPage(HDC dc, const PaneGeometry& page, int firstLine, const CMoxlanDoc& doc)
{
    const TagListPicture picture = layoutTagListOn(dc, page, firstLine, -1, doc);
    for (const TagListRow& row : picture.rows) {
        drawTagRow(dc, picture, row);
    }
}

} // namespace

void printTagList(HWND owner, const CMoxlanDoc& doc)
{
    PRINTDLGA choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    if (!PrintDlgA(&choice)) return;
    if (choice.hDevMode) GlobalFree(choice.hDevMode);
    if (choice.hDevNames) GlobalFree(choice.hDevNames);
    const PrinterDc printer(choice.hDC);
    if (!printer.get()) return;
    HDC dc = printer.get();

    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const PaneGeometry page{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                            metrics.tmMaxCharWidth, metrics.tmHeight};
    const int linesPerPage = page.visibleLines();
    if (linesPerPage <= 0) return;

    DOCINFOA document{};
    document.cbSize = sizeof document;
    document.lpszDocName = "Moxlan";
    if (StartDocA(dc, &document) <= 0) return;
    int firstLine = 0;
    do {
        StartPage(dc);
        printPage(dc, page, firstLine, doc);
        EndPage(dc);
        firstLine += linesPerPage;
    } while (firstLine < doc.GetDeviceCount());
    EndDoc(dc);
}

} // namespace moxlan::win32
