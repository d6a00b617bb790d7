#include "toolkit/Strings.h"

#include "toolkit/Exceptions.h"

namespace {

[[noreturn]] void listIndexError(int index)
{
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
}

}  // namespace

TStrings::TStrings(QObject* parent) : TPersistent(parent) {}

TStrings::~TStrings() = default;

void TStrings::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        listIndexError(index);
}

const QString& TStrings::Strings(int index) const
{
    CheckIndex(index);
    return lines_[index];
}

void TStrings::Put(int index, const QString& text)
{
    CheckIndex(index);
    if (lines_[index] == text)
        return;
    lines_[index] = text;
    if (!Updating())
        emit changed(index);
    else
        appendsOnly_ = false;
    Changed();
}

int TStrings::Add(const QString& text)
{
    const int index = Count();
    Insert(index, text);
    return index;
}

void TStrings::Insert(int index, const QString& text)
{
    if (index < 0 || index > Count())
        listIndexError(index);
    if (Updating() && index < Count())
        appendsOnly_ = false;
    lines_.insert(index, text);
    if (!Updating())
        emit inserted(index, 1);
    Changed();
}

void TStrings::Delete(int index)
{
    CheckIndex(index);
    lines_.removeAt(index);
    if (!Updating())
        emit removed(index, 1);
    else
        appendsOnly_ = false;
    Changed();
}

void TStrings::Clear()
{
    if (lines_.isEmpty())
        return;
    const int count = Count();
    lines_.clear();
    if (!Updating())
        emit removed(0, count);
    else
        appendsOnly_ = false;
    Changed();
}

int TStrings::IndexOf(const QString& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (lines_[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TStrings::Text() const
{
    QString text;
    for (const QString& line : lines_)
        text += line + QLatin1Char('\n');
    return text;
}

void TStrings::SetText(const QString& text)
{
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalized.split(QLatin1Char('\n'));
    if (normalized.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    SetStrings(normalized.isEmpty() ? QStringList() : lines);
}

void TStrings::SetStrings(const QStringList& lines)
{
    BeginUpdate();
    lines_ = lines;
    changedWhileUpdating_ = true;
    appendsOnly_ = false;
    EndUpdate();
}

void TStrings::Assign(const TPersistent* source)
{
    if (const auto* strings = qobject_cast<const TStrings*>(source)) {
        SetStrings(strings->lines_);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::BeginUpdate()
{
    if (updateCount_++ > 0)
        return;
    countBeforeUpdate_ = Count();
    appendsOnly_ = true;
}

void TStrings::EndUpdate()
{
    if (updateCount_ == 0 || --updateCount_ > 0)
        return;
    if (!changedWhileUpdating_)
        return;
    changedWhileUpdating_ = false;
    // A block that only added lines at the end tells views just that, so a view that measures its
    // lines (a list box's scroll width) looks at the new ones only.
    if (appendsOnly_)
        emit inserted(countBeforeUpdate_, Count() - countBeforeUpdate_);
    else
        emit reset();
    if (OnChange)
        OnChange(this);
}

void TStrings::Changed()
{
    if (Updating()) {
        changedWhileUpdating_ = true;
        return;
    }
    if (OnChange)
        OnChange(this);
}
