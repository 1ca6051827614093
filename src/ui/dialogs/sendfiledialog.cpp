#include "ui/dialogs/sendfiledialog.h"
#include "core/filesend.h"
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

DialogSendFile::DialogSendFile(FileSender *sender, QWidget *parent) : Recaptioned(parent), m_sender(sender)
{
    setObjectName(QStringLiteral("DialogSendFile"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    auto label = [&](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        layout->addWidget(l);
        return l;
    };
    Label1 = label("Label1");
    Label1->setText(QDir::toNativeSeparators(sender->fileName()));
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1000);
    layout->addWidget(ProgressBar1);
    Label2 = label("Label2");
    Label3 = label("Label3");
    Label4 = label("Label4");
    CancelButton = new QPushButton(this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    layout->addWidget(CancelButton, 0, Qt::AlignRight);
    setMinimumWidth(360);

    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    connect(sender, &FileSender::progress, this, &DialogSendFile::showProgress);
    connect(sender, &FileSender::finished, this, [this] {
        // Over by itself, by Cancel or by a failure: the window goes.
        m_sender = nullptr;
        close();
    });
    retranslateUi();
}

void DialogSendFile::retranslateUi()
{
    setWindowTitle(tr("Отправка файла"));
    // The bar has no label: a screen reader names it as the window.
    ProgressBar1->setAccessibleName(windowTitle());
    CancelButton->setText(tr("Отмена"));
    showProgress(m_sender ? m_sender->sent() : m_sent, m_sender ? m_sender->total() : 0);
}

void DialogSendFile::showProgress(qint64 sent, qint64 total)
{
    m_sent = sent;
    const QLocale locale;
    Label2->setText(tr("Отправлено: %1 из %2 байт").arg(locale.toString(sent), locale.toString(total)));
    ProgressBar1->setValue(total > 0 ? int(sent * 1000 / total) : 0);
    const qint64 ms = m_sender ? m_sender->elapsedMs() : 0;
    if (ms < 200 || sent <= 0) {
        Label3->setText(tr("Скорость: —"));
        Label4->setText(tr("Осталось: —"));
        return;
    }
    const double rate = double(sent) * 1000 / double(ms);
    Label3->setText(tr("Скорость: %1 байт/с").arg(locale.toString(qint64(rate))));
    const qint64 left = qint64(double(total - sent) / rate + 0.5);
    Label4->setText(tr("Осталось: %1").arg(QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'))));
}

void DialogSendFile::CancelButton_Click()
{
    if (m_sender)
        m_sender->cancel();
    close();
}

void DialogSendFile::closeEvent(QCloseEvent *event)
{
    // Closing the window is Cancel.
    if (m_sender)
        m_sender->cancel();
    event->accept();
}

} // namespace kestrum
