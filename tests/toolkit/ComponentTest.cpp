#include "toolkit/Component.h"
#include "toolkit/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what it hears, and whether it knew it was being destroyed with its owner.
class Probe : public TNonVisualComponent {
    Q_OBJECT

public:
    explicit Probe(TComponent* owner, std::vector<std::string>* log = nullptr) : TNonVisualComponent(owner), FLog(log)
    {
    }
    ~Probe() override
    {
        if (FLog)
            FLog->push_back("destroyed " + Name().toStdString() + (IsDestroying() ? " (destroying)" : ""));
    }

    // Name of the component and the operation, as heard.
    std::vector<std::pair<QString, TOperation>> heard;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TNonVisualComponent::Notification(component, operation);
        heard.emplace_back(component->Name(), operation);
    }

private:
    bool IsDestroying() const { return ComponentState().testFlag(csDestroying); }
    std::vector<std::string>* FLog;
};

// Refuses a second Guard in the same owner, checking both an insertion of a finished
// component and its own construction.
class Guard : public TNonVisualComponent {
    Q_OBJECT

public:
    explicit Guard(TComponent* owner) : TNonVisualComponent(owner)
    {
        for (int i = 0; owner && i < owner->ComponentCount(); ++i)
            if (owner->Components(i) != this && dynamic_cast<Guard*>(owner->Components(i)))
                throw EComponentError(QStringLiteral("only one Guard"));
    }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        TNonVisualComponent::Notification(component, operation);
        if (operation == opInsert && component != this && dynamic_cast<Guard*>(component))
            throw EComponentError(QStringLiteral("only one Guard"));
    }
};

TEST(Component, OwnerFreesWhatItOwnsLastFirstAndMarksThemDestroying)
{
    std::vector<std::string> log;
    auto* owner = new Probe(nullptr, &log);
    owner->SetName(QStringLiteral("Owner"));
    auto* a = new Probe(owner, &log);
    a->SetName(QStringLiteral("A"));
    auto* b = new Probe(owner, &log);
    b->SetName(QStringLiteral("B"));
    ASSERT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->Components(0), a);
    EXPECT_EQ(b->ComponentIndex(), 1);

    delete owner;
    EXPECT_EQ(log, (std::vector<std::string>{"destroyed Owner", "destroyed B (destroying)", "destroyed A (destroying)"}));
}

TEST(Component, FreeingAnOwnedComponentTakesItOutOfItsOwnerAndTellsTheOthers)
{
    Probe owner(nullptr);
    auto* a = new Probe(&owner);
    a->SetName(QStringLiteral("A"));
    auto* b = new Probe(&owner);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    ASSERT_FALSE(b->heard.empty());
    EXPECT_EQ(b->heard.back(), std::make_pair(QStringLiteral("A"), opRemove));
    EXPECT_EQ(owner.heard.back(), std::make_pair(QStringLiteral("A"), opRemove));
}

TEST(Component, InsertionIsAnnouncedToTheOwnerAndEveryOwnedComponent)
{
    Probe owner(nullptr);
    auto* first = new Probe(&owner);
    // Inserted before it could be named, so heard with an empty name.
    new Probe(&owner);
    const auto inserted = std::make_pair(QString(), opInsert);
    EXPECT_EQ(owner.heard.back(), inserted);
    EXPECT_EQ(first->heard.back(), inserted);
}

TEST(Component, NamesAreIdentifiersUniqueInTheOwnerWithoutRegardToCase)
{
    Probe owner(nullptr);
    auto* a = new Probe(&owner);
    auto* b = new Probe(&owner);
    a->SetName(QStringLiteral("Edit1"));
    EXPECT_THROW(b->SetName(QStringLiteral("EDIT1")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("1Edit")), EComponentError);
    EXPECT_THROW(b->SetName(QStringLiteral("Ed it")), EComponentError);
    EXPECT_TRUE(b->Name().isEmpty());
    b->SetName(QStringLiteral("_Edit2"));
    a->SetName(QStringLiteral("EDIT1"));  // renaming itself in another case is fine
    EXPECT_EQ(owner.FindComponent(QStringLiteral("edit1")), a);
    EXPECT_EQ(owner.FindComponent<Probe>(QStringLiteral("_edit2")), b);
    EXPECT_EQ(owner.FindComponent(QStringLiteral("Edit3")), nullptr);
    EXPECT_EQ(a->Object()->objectName(), QStringLiteral("EDIT1"));
    EXPECT_EQ(a->ClassName(), QStringLiteral("Probe"));
}

TEST(Component, ARefusedInsertionLeavesNoTraceAndFreesThePartBuiltComponent)
{
    Probe owner(nullptr);
    auto* first = new Guard(&owner);
    EXPECT_THROW(new Guard(&owner), EComponentError);
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), first);

    // A finished component moved into the owner is refused through the notification.
    Probe elsewhere(nullptr);
    auto* other = new Guard(&elsewhere);
    EXPECT_THROW(owner.InsertComponent(other), EComponentError);
    EXPECT_EQ(other->Owner(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(elsewhere.ComponentCount(), 0);
    delete other;
}

TEST(Component, InsertComponentMovesOwnershipAndRefusesATakenName)
{
    Probe first(nullptr);
    Probe second(nullptr);
    auto* moved = new Probe(&first);
    moved->SetName(QStringLiteral("X"));
    second.InsertComponent(moved);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(moved->Owner(), &second);

    auto* clash = new Probe(&first);
    clash->SetName(QStringLiteral("x"));
    EXPECT_THROW(second.InsertComponent(clash), EComponentError);
    EXPECT_EQ(clash->Owner(), &first);
}

TEST(Component, FreeNotificationReachesAComponentOfAnotherOwner)
{
    Probe ownerA(nullptr);
    Probe ownerB(nullptr);
    auto* watcher = new Probe(&ownerA);
    auto* watched = new Probe(&ownerB);
    watched->SetName(QStringLiteral("Watched"));
    watched->FreeNotification(watcher);
    delete watched;
    ASSERT_FALSE(watcher->heard.empty());
    EXPECT_EQ(watcher->heard.back(), std::make_pair(QStringLiteral("Watched"), opRemove));

    // Freeing the watcher first leaves nothing dangling in the watched one.
    auto* watched2 = new Probe(&ownerB);
    auto* watcher2 = new Probe(&ownerA);
    watched2->FreeNotification(watcher2);
    delete watcher2;
    delete watched2;
}

TEST(Component, RemoveComponentGivesUpOwnershipWithoutFreeing)
{
    Probe owner(nullptr);
    auto* a = new Probe(&owner);
    owner.RemoveComponent(a);
    EXPECT_EQ(a->Owner(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 0);
    delete a;
}

}  // namespace

#include "ComponentTest.moc"
