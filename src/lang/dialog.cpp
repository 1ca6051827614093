#include "lang/dialog.h"

namespace kestrum {

Dialog::Dialog(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("Dialog")); }
void Dialog::Form_Load() {}
void Dialog::OKButton_Click() {}
void Dialog::closeEvent(QCloseEvent *) {}

} // namespace kestrum
