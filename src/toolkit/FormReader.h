#pragma once
// Reads a form description into an existing root component (a form): the root's own
// properties, then every nested object, made from its registered class, owned by the
// root and nested in the component around it. Setters run in file order while the
// components are loading; references to components ("ActiveControl = ListView1") are
// resolved at the end, handlers ("OnClick = Button1Click") are bound to the root's
// published routines of that name; then every component's Loaded runs, in reading order.

#include "toolkit/Component.h"

#include <QString>

class TReader {
public:
    // Throws EReadError for text that does not fit the root; the components made so far
    // stay owned by the root.
    static void ReadRootComponent(TComponent* root, const QString& text);
    // The text of a Qt resource (":/forms/Unit1.form"), read as UTF-8.
    static void ReadRootFromResource(TComponent* root, const QString& resourcePath);

private:
    class Reading;
};
