#pragma once
// Writes a component back out as a form description: its published properties that
// differ from their declared defaults, in published order, then the components nested in
// it (for the root: its owned components that have no parent or have the root as parent).

#include "toolkit/Component.h"

#include <QString>

class TWriter {
public:
    // The whole description of root and what it owns.
    static QString WriteRootComponent(TComponent* root);
    // One component of root, with the components nested in it, indented by level.
    static QString WriteComponent(TComponent* component, TComponent* root, int level = 0);
    // Only the property lines of object (a component's QObject side or a persistent
    // object), unindented; references name components of root.
    static QString WriteProperties(QObject* object, TComponent* root);
};
