#pragma once
// String lists: the lines of list boxes and other controls. Views follow a list through
// its signals; OnChange tells the owner after every change (once per update block).

#include "toolkit/Events.h"
#include "toolkit/Persistent.h"

#include <QStringList>

class TStrings : public TPersistent {
    Q_OBJECT
    // Form descriptions write the lines as "Items.Strings = ( 'a' 'b' )".
    Q_PROPERTY(QStringList Strings READ ToStringList WRITE SetStrings)

public:
    explicit TStrings(QObject* parent = nullptr);
    ~TStrings() override;

    int Count() const { return int(FLines.size()); }
    // Throws Exception for an index outside 0..Count-1.
    const QString& Strings(int index) const;
    void Put(int index, const QString& text);
    const QString& operator[](int index) const { return Strings(index); }

    int Add(const QString& text);
    // Index may be Count (append); anything else outside the list throws.
    void Insert(int index, const QString& text);
    void Delete(int index);
    void Clear();
    int IndexOf(const QString& text) const;

    // The lines joined by line breaks, each line ended by one.
    QString Text() const;
    void SetText(const QString& text);

    const QStringList& ToStringList() const { return FLines; }
    void SetStrings(const QStringList& lines);

    void Assign(const TPersistent* source) override;

    // Changes inside an update block reach views and OnChange once, at its end: as the lines
    // inserted when the block only added lines at the end, else as a reset.
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

    TNotifyEvent OnChange;

signals:
    void Inserted(int first, int count);
    void Removed(int first, int count);
    void LineChanged(int index);
    // Anything may have changed: views read the whole list again.
    void Reset();

private:
    void CheckIndex(int index) const;
    void Changed();

    QStringList FLines;
    int FUpdateCount = 0;
    bool FChangedWhileUpdating = false;
    int FCountBeforeUpdate = 0;
    bool FAppendsOnly = true; // in the current update block, every change added a line at the end
};

class TStringList : public TStrings {
    Q_OBJECT

public:
    using TStrings::TStrings;
};
