#include "ui/controls.h"
#include <QLabel>
#include <QPushButton>

namespace kestrum {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, const QRect &r, bool wordWrap)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    l->setWordWrap(wordWrap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QRect &r)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(r);
    b->setAutoDefault(false);
    return b;
}

} // namespace kestrum
