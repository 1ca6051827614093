#include "options/dialog1.h"

namespace kestrum {

Dialog1::Dialog1(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("Dialog1")); }
void Dialog1::Form_Load() {}
void Dialog1::OKButton_Click() {}
void Dialog1::CancelButton_Click() {}
void Dialog1::closeEvent(QCloseEvent *) {}

} // namespace kestrum
