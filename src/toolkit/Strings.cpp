#include "toolkit/Strings.h"

#include "toolkit/Exceptions.h"

namespace {

[[noreturn]] void ListIndexError(int index)
{
    throw Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
}

}  // namespace

TStrings::TStrings(QObject* parent) : TPersistent(parent) {}

TStrings::~TStrings() = default;

void TStrings::CheckIndex(int index) const
{
    if (index < 0 || index >= Count())
        ListIndexError(index);
}

const QString& TStrings::Strings(int index) const
{
    CheckIndex(index);
    return FLines[index];
}

void TStrings::Put(int index, const QString& text)
{
    CheckIndex(index);
    if (FLines[index] == text)
        return;
    FLines[index] = text;
    if (!Updating())
        emit LineChanged(index);
    else
        FAppendsOnly = false;
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
        ListIndexError(index);
    if (Updating() && index < Count())
        FAppendsOnly = false;
    FLines.insert(index, text);
    if (!Updating())
        emit Inserted(index, 1);
    Changed();
}

void TStrings::Delete(int index)
{
    CheckIndex(index);
    FLines.removeAt(index);
    if (!Updating())
        emit Removed(index, 1);
    else
        FAppendsOnly = false;
    Changed();
}

void TStrings::Clear()
{
    if (FLines.isEmpty())
        return;
    const int count = Count();
    FLines.clear();
    if (!Updating())
        emit Removed(0, count);
    else
        FAppendsOnly = false;
    Changed();
}

int TStrings::IndexOf(const QString& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (FLines[i].compare(text, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString TStrings::Text() const
{
    QString text;
    for (const QString& line : FLines)
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
    FLines = lines;
    FChangedWhileUpdating = true;
    FAppendsOnly = false;
    EndUpdate();
}

void TStrings::Assign(const TPersistent* source)
{
    if (const auto* strings = qobject_cast<const TStrings*>(source)) {
        SetStrings(strings->FLines);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount++ > 0)
        return;
    FCountBeforeUpdate = Count();
    FAppendsOnly = true;
}

void TStrings::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    if (!FChangedWhileUpdating)
        return;
    FChangedWhileUpdating = false;
    // A block that only added lines at the end tells views just that, so a view that measures its
    // lines (a list box's scroll width) looks at the new ones only.
    if (FAppendsOnly)
        emit Inserted(FCountBeforeUpdate, Count() - FCountBeforeUpdate);
    else
        emit Reset();
    if (OnChange)
        OnChange(this);
}

void TStrings::Changed()
{
    if (Updating()) {
        FChangedWhileUpdating = true;
        return;
    }
    if (OnChange)
        OnChange(this);
}
