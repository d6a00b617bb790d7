#pragma once
// Writes a component back out as a form description: its published properties that
// differ from their declared defaults, in published order, then the components nested in
// it (for the root: its owned components that have no parent or have the root as parent).
// The program only reads descriptions; tests write them to see what a window holds.

#include "toolkit/Component.h"
#include "toolkit/FormText.h"

#include <QString>
#include <QStringList>

// '..' with quotes doubled; control characters as #nn outside the quotes.
QString FormatFormString(const QString& text);
// Hexadecimal lines for a binary block, without the braces.
QStringList FormatFormBinary(const QByteArray& data);
// One value as it stands after "=", e.g. a declared default ("[akLeft, akTop]").
TFormValue ParseFormValue(const QString& text);
// A component's description one level in, as it stands inside its owner's: a test states a
// component once and reads it nested in a form, then expects it back as it stated it.
QString NestFormText(const char* component);

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
