#include "documents/dialog4.h"
#include "app/windows.h"

namespace kestrum {

Dialog4::Dialog4(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("Dialog4")); }
void Dialog4::Form_Load() {}
void Dialog4::OKButton_Click() {}
void Dialog4::CancelButton_Click() {}
void Dialog4::Command1_Click() {}
void Dialog4::flagSaves() {}
void Dialog4::closeEvent(QCloseEvent *) {}

} // namespace kestrum
