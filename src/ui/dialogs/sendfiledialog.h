#pragma once
#include <QDialog>
#include "ui/common/recaptioned.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrum {

class FileSender;

// The progress of a file being sent: bytes sent, rate, time left, and
// Cancel, which stops the send at once. It does not block the main window:
// replies go on arriving and can be read meanwhile. It closes itself when
// the send is over.
class DialogSendFile : public Recaptioned<QDialog> {
    Q_OBJECT
public:
    DialogSendFile(FileSender *sender, QWidget *parent);

    QLabel *Label1;   // the file
    QLabel *Label2;   // bytes sent
    QLabel *Label3;   // rate
    QLabel *Label4;   // time left
    QProgressBar *ProgressBar1;
    QPushButton *CancelButton;

    void CancelButton_Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void retranslateUi() override;
    void showProgress(qint64 sent, qint64 total);

    FileSender *m_sender;
    qint64 m_sent = 0;
};

} // namespace kestrum
