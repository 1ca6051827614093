#include "documents/receivedbox.h"

namespace kestrum {

struct ReceivedBox::Impl {
    QString text;
};

ReceivedBox::ReceivedBox(QWidget *parent) : QPlainTextEdit(parent), d(new Impl) {}
ReceivedBox::~ReceivedBox() { delete d; }
QString ReceivedBox::text() const { return d->text; }
void ReceivedBox::setText(const QString &text)
{
    d->text = text;
    setPlainText(text);
}
void ReceivedBox::prepend(const QString &text) { setText(text + d->text); }
void ReceivedBox::clearText() { setText(QString()); }
bool ReceivedBox::isEmptyText() const { return d->text.isEmpty(); }

} // namespace kestrum
