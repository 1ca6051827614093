#include "platform/commondialog.h"
#include "core/base/error.h"
#include "platform/platform.h"
#include <QFileInfo>
#include <QStringList>

namespace kestrum {

QString CommonDialog::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts.at(i).isEmpty() && parts.at(i + 1).isEmpty())
            continue;
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts.at(i);
        // The description may already show the pattern; Qt needs it once, in
        // parentheses, at the end.
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0 && description.endsWith(QLatin1Char(')')))
            description = description.left(open).trimmed();
        entries << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

void CommonDialog::presetTextFiles(qint32 flags)
{
    Filter = QStringLiteral("text only(*.txt)|*.txt|");
    DefaultExt = QStringLiteral("txt");
    Flags = flags;
}

bool CommonDialog::ShowOpen() { return show(false); }
bool CommonDialog::ShowSave() { return show(true); }

bool CommonDialog::show(bool save)
{
    FileDialogRequest request;
    request.save = save;
    request.filter = qtFilter(Filter);
    request.initialPath = FileName;
    request.confirmOverwrite = (Flags & OverwritePrompt) != 0;
    request.mustExist = (Flags & FileMustExist) != 0;
    request.defaultSuffix = DefaultExt;
    const std::optional<QString> chosen = platform().fileDialog->run(m_owner, request);
    if (!chosen)
        return false;
    QString path = *chosen;
    // The Qt dialog has added it already; a name from elsewhere may lack it.
    if (!DefaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('.') + DefaultExt;
    FileName = path;
    return true;
}

} // namespace kestrum
