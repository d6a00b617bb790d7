#pragma once
// Persistent objects: settings and sub-objects of components (fonts, string lists,
// collections, appearance settings). Their published properties are streamed as nested
// properties of the component that holds them ("Font.Height = -11").

#include "toolkit/Object.h"

#include <QObject>

class TPersistent : public QObject, public TObject {
    Q_OBJECT

public:
    explicit TPersistent(QObject* parent = nullptr);
    ~TPersistent() override;

    QString ClassName() const override;

    // Copies source into this object; throws EConvertError when neither side knows how.
    virtual void Assign(const TPersistent* source);

protected:
    // Copies this object into dest, for classes that know how to fill another class.
    virtual void AssignTo(TPersistent* dest) const;
};
