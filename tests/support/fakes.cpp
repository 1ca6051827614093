#include "support/fakes.h"
#include "core/base/error.h"
#include "core/document/receivedstore.h"
#include "platform/printing.h"
#include <QPrinter>

namespace kestrum::test {

bool FakePrinter::print(const QString &heading, const StoreSnapshot &text, Progress &progress)
{
    printed << heading + QStringLiteral("\r\n") + text.text(0, text.size());
    if (pdfPath.isEmpty())
        throw Error(QStringLiteral("Nothing was printed: no printer is configured on this system."));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    return printText(printer, heading, text, progress);
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
