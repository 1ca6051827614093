#include "support/fakes.h"
#include "core/error.h"
#include "platform/printing.h"
#include <QPrinter>

namespace kestrum::test {

void FakePrinter::print(const QString &text)
{
    printed << text;
    if (pdfPath.isEmpty())
        throw Error(QStringLiteral("Nothing was printed: no printer is configured on this system."));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printText(printer, text);
}

void FakeEditor::launch()
{
    ++launches;
    if (!failWith.isEmpty())
        throw Error(failWith);
}

Fakes installFakes()
{
    auto p = std::make_unique<Platform>();
    Fakes f{new FakeMessageBox, new FakeFileDialog, new FakePrinter, new FakeEditor, new FakeClock};
    p->messageBox.reset(f.messageBox);
    p->fileDialog.reset(f.fileDialog);
    p->printer.reset(f.printer);
    p->editor.reset(f.editor);
    setPlatform(std::move(p));
    setClock(std::unique_ptr<Clock>(f.clock));
    return f;
}

} // namespace kestrum::test
