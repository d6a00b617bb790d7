#include "app/ProblemList.h"

#include "platform/shellns/wide.h"

namespace app {

namespace {

QString shownPath(const std::string& path)
{
    const QString text = shellns::PathToText(path);
    if (text.size() <= kPathShown)
        return text;
    const qsizetype keep = (kPathShown - 1) / 2;
    return text.left(keep) + QChar(0x2026) + text.right(keep);
}

} // namespace

QString ProblemList(const QString& heading, const std::vector<Problem>& problems)
{
    QString text = heading + QStringLiteral(": ") + QString::number(problems.size()) + u'\n';
    std::size_t listed = 0;
    for (const Problem& problem : problems) {
        if (listed++ == kProblemsListed) {
            text += QStringLiteral("\n… и ещё %1").arg(problems.size() - kProblemsListed);
            break;
        }
        text += u'\n' + shownPath(problem.path) + QStringLiteral(": ") + shellns::PathToText(problem.text);
    }
    return text;
}

} // namespace app
