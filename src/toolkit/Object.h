#pragma once
// The root of the toolkit's class tree: senders of events, components, persistent objects
// and threads are all TObjects.

#include <QMetaType>
#include <QString>

#include <memory>
#include <utility>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject();

    // The class name as form descriptions write it ("TForm1").
    virtual QString ClassName() const;

    // Runs once the complete object is built (Create calls it): forms fire OnCreate here,
    // threads made running start here, where their body can no longer see a part-built
    // object.
    virtual void AfterConstruction() {}
};

// Makes an object and runs its AfterConstruction: Create<TMyThread>(false).
template <class T, class... Args>
T* Create(Args&&... args)
{
    std::unique_ptr<T> object(new T(std::forward<Args>(args)...));
    object->AfterConstruction();
    return object.release();
}

Q_DECLARE_METATYPE(TObject*)
