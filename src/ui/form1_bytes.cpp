// View and Transmit menus of the main window: the received box as text or
// hex; how the send box is read, sending a file, sending a break.
#include "ui/form1.h"
#include "ui/receivedbox.h"
#include "ui/windows.h"
#include "core/filesend.h"
#include "core/session.h"
#include "core/settingkeys.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace kestrum {

void Form1::buildBytesMenus()
{
    // Between File (and Edit) and the language menu.
    mnuView = new QMenu(this);
    mnuView->setObjectName(QStringLiteral("mnuView"));
    menuBar()->insertMenu(mnuLng->menuAction(), mnuView);
    mnuHex = mnuView->addAction(QString());
    mnuHex->setObjectName(QStringLiteral("mnuHex"));
    mnuHex->setCheckable(true);
    mnuHex->setShortcut(Qt::CTRL | Qt::Key_H);
    connect(mnuHex, &QAction::triggered, this, [this] { mnuHex_Click(); });
    bool hex = false;
    guarded([&] { hex = readSetting(Setting::HexView).trimmed() == QLatin1String("1"); });
    mnuHex->setChecked(hex);
    Text2->setHexView(hex);

    mnuTransmit = new QMenu(this);
    mnuTransmit->setObjectName(QStringLiteral("mnuTransmit"));
    menuBar()->insertMenu(mnuLng->menuAction(), mnuTransmit);
    auto *modes = new QActionGroup(this);
    auto mode = [&](const char *name, SendMode m) {
        QAction *a = mnuTransmit->addAction(QString());
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        modes->addAction(a);
        connect(a, &QAction::triggered, this, [this, m] { mnuSendMode_Click(m); });
        return a;
    };
    mnuSendText = mode("mnuSendText", SendMode::Text);
    mnuSendHex = mode("mnuSendHex", SendMode::Hex);
    mnuSendEscapes = mode("mnuSendEscapes", SendMode::Escapes);
    mnuTransmit->addSeparator();
    mnuSendFile = mnuTransmit->addAction(QString());
    mnuSendFile->setObjectName(QStringLiteral("mnuSendFile"));
    mnuSendBreak = mnuTransmit->addAction(QString());
    mnuSendBreak->setObjectName(QStringLiteral("mnuSendBreak"));
    connect(mnuSendFile, &QAction::triggered, this, [this] { mnuSendFile_Click(); });
    connect(mnuSendBreak, &QAction::triggered, this, [this] { mnuSendBreak_Click(); });

    SendMode stored = SendMode::Text;
    guarded([&] { stored = storedSendMode(); });
    (stored == SendMode::Hex ? mnuSendHex : stored == SendMode::Escapes ? mnuSendEscapes : mnuSendText)->setChecked(true);
}

void Form1::retranslateBytesMenus()
{
    mnuView->setTitle(tr("Вид"));
    mnuHex->setText(tr("Hex"));
    mnuTransmit->setTitle(tr("Передача"));
    mnuSendText->setText(tr("Отправлять как текст"));
    mnuSendHex->setText(tr("Отправлять hex"));
    mnuSendEscapes->setText(tr("Отправлять с escape-последовательностями"));
    mnuSendFile->setText(tr("Отправить файл…"));
    mnuSendBreak->setText(tr("Отправить break"));
}

SendMode Form1::sendMode() const
{
    return mnuSendHex->isChecked() ? SendMode::Hex : mnuSendEscapes->isChecked() ? SendMode::Escapes : SendMode::Text;
}

void Form1::mnuSendMode_Click(SendMode mode)
{
    guarded([&] { storeSendMode(mode); });
}

void Form1::mnuHex_Click()
{
    Text2->setHexView(mnuHex->isChecked());
    guarded([&] { writeSetting(Setting::HexView, mnuHex->isChecked() ? QStringLiteral("1") : QStringLiteral("0")); });
}

void Form1::mnuSendFile_Click()
{
    FileDialogRequest request;
    request.title = tr("Отправить файл");
    request.filter = tr("Все файлы (*)");
    request.initialPath = m_sendFilePath;
    request.mustExist = true;
    std::optional<QString> path;
    if (!guarded([&] { path = platform().fileDialog->run(this, request); }) || !path)
        return;
    m_sendFilePath = *path;
    if (!guarded([&] { session->sendFile(*path); }))
        return;
    // A file so short that it is sent already needs no window.
    if (!session->fileSender()->isSending())
        return;
    windows().showSendFileProgress(session->fileSender());
}

void Form1::mnuSendBreak_Click()
{
    guarded([&] { session->sendBreak(); });
}

} // namespace kestrum
