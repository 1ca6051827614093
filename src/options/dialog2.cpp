#include "options/dialog2.h"
#include "app/windows.h"

namespace kestrum {

Dialog2::Dialog2(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("Dialog2")); }
void Dialog2::Form_Load() {}
void Dialog2::OKButton_Click() {}
void Dialog2::closeEvent(QCloseEvent *) {}
void showWarning() {}
bool warningShowing() { return windows().hasDialog2(); }

} // namespace kestrum
