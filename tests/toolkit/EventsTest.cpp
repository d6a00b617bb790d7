#include "toolkit/Events.h"

#include <QObject>
#include <gtest/gtest.h>

#include <memory>

namespace {

struct HintInfo {
    int x = 0;
};
using TCheckEvent = TEvent<QString&, bool&, HintInfo&>;

class Handlers : public QObject {
    Q_OBJECT

public:
    TObject* lastSender = nullptr;
    int clicks = 0;
    static inline int allClicks = 0; // of every object, those gone included
    int others = 0;

    void Plain(TObject* sender) { lastSender = sender, ++clicks; }

public slots:
    void Button1Click(TObject* sender)
    {
        lastSender = sender;
        ++clicks;
        ++allClicks;
    }
    void Other(TObject*) { ++others; }
    void Check(QString& text, bool& canShow, HintInfo& info)
    {
        text += QStringLiteral("!");
        canShow = false;
        info.x = 7;
    }
    void WrongShape(int) {}
};

struct Sender : TObject {};

TEST(Events, ReferencesToTheSameRoutineOfTheSameObjectAreEqual)
{
    Handlers a;
    Handlers b;
    const TNotifyEvent first(&a, &Handlers::Button1Click);
    EXPECT_EQ(first, TNotifyEvent(&a, &Handlers::Button1Click));
    EXPECT_FALSE(first == TNotifyEvent(&b, &Handlers::Button1Click));
    EXPECT_FALSE(first == TNotifyEvent(&a, &Handlers::Other));
    EXPECT_FALSE(first == TNotifyEvent());
    EXPECT_EQ(TNotifyEvent(), TNotifyEvent(nullptr));

    auto lambda = TNotifyEvent::FromFunction([](TObject*) {});
    const TNotifyEvent copy = lambda;
    EXPECT_EQ(copy, lambda);
    EXPECT_FALSE(lambda == TNotifyEvent::FromFunction([](TObject*) {}));
}

TEST(Events, ASavedHandlerCanBePutBackAndStillCalls)
{
    Handlers h;
    Sender s;
    TNotifyEvent onClick(&h, &Handlers::Plain);
    const TNotifyEvent saved = onClick;
    onClick = TNotifyEvent(&h, &Handlers::Other);
    onClick(&s);
    onClick = saved;
    onClick(&s);
    EXPECT_EQ(h.others, 1);
    EXPECT_EQ(h.clicks, 1);
    EXPECT_EQ(h.lastSender, &s);
    EXPECT_EQ(onClick, saved);
}

TEST(Events, AnEmptyEventDoesNothingWhenCalled)
{
    TNotifyEvent none;
    EXPECT_FALSE(none);
    Sender s;
    none(&s);
}

TEST(Events, HandlersAreFoundByNameWhenTheirParametersFit)
{
    const QMetaObject* meta = &Handlers::staticMetaObject;
    EXPECT_GE(TNotifyEvent::FindMethod(meta, "Button1Click"), 0);
    EXPECT_EQ(TNotifyEvent::FindMethod(meta, "WrongShape"), -1);
    EXPECT_EQ(TNotifyEvent::FindMethod(meta, "Check"), -1);
    EXPECT_EQ(TNotifyEvent::FindMethod(meta, "Missing"), -1);
    EXPECT_GE(TCheckEvent::FindMethod(meta, "Check"), 0);
}

TEST(Events, AHandlerBoundByNameIsCalledWithItsArgumentsAndKnowsItsName)
{
    Handlers h;
    Sender s;
    const int index = TNotifyEvent::FindMethod(h.metaObject(), "Button1Click");
    const auto event = TNotifyEvent::FromMetaMethod(&h, index);
    event(&s);
    EXPECT_EQ(h.lastSender, &s);
    EXPECT_EQ(event.MethodName(), QByteArray("Button1Click"));
    EXPECT_EQ(event, TNotifyEvent::FromMetaMethod(&h, index));

    QString text = QStringLiteral("hint");
    bool canShow = true;
    HintInfo info;
    const auto check = TCheckEvent::FromMetaMethod(&h, TCheckEvent::FindMethod(h.metaObject(), "Check"));
    check(text, canShow, info);
    EXPECT_EQ(text, QStringLiteral("hint!"));
    EXPECT_FALSE(canShow);
    EXPECT_EQ(info.x, 7);
}

TEST(Events, AHandlerBoundByNameOutlivingItsObjectDoesNothing)
{
    auto h = std::make_unique<Handlers>();
    const auto event = TNotifyEvent::FromMetaMethod(h.get(), TNotifyEvent::FindMethod(h->metaObject(), "Button1Click"));
    h.reset();
    Sender s;
    const int before = Handlers::allClicks;
    event(&s);
    EXPECT_EQ(Handlers::allClicks, before);
}

TEST(Events, EveryEventTypeInUseCanBeBoundThroughItsMetaType)
{
    const TNotifyEvent made;  // using a type registers it
    const TEventBinding* binding = FindEventBinding(QMetaType::fromType<TNotifyEvent>());
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(FindEventBinding(QMetaType::fromType<int>()), nullptr);

    Handlers h;
    const int index = binding->findMethod(h.metaObject(), "Button1Click");
    ASSERT_GE(index, 0);
    const QVariant bound = binding->bind(&h, index);
    EXPECT_EQ(binding->methodName(bound), QByteArray("Button1Click"));
    Sender s;
    bound.value<TNotifyEvent>()(&s);
    EXPECT_EQ(h.clicks, 1);
}

}  // namespace

#include "EventsTest.moc"
