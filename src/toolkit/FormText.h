#pragma once
// The text of form descriptions, parsed into a tree of objects and property values.
//
//   object Form2: TForm2            nested "object" blocks are owned child components
//     Caption = 'Report' + #13      strings: '..' ('' for a quote), #nnn codes, + joins
//     Font.Style = [fsBold]         sets; dotted names reach persistent sub-objects
//     Items.Strings = ( 'a' 'b' )   string lists
//     Columns = < item Width = 80 end >   collections
//     Picture.Data = { 0A0B }       binary data in hexadecimal
//   end

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct TFormProperty;

struct TFormValue {
    enum class Kind { Integer, Float, String, Ident, Set, List, Binary, Collection };

    Kind kind = Kind::Integer;
    qint64 integer = 0;
    double real = 0;
    QString text;                 // String and Ident
    QStringList names;            // Set members
    std::vector<TFormValue> list; // List items
    QByteArray binary;
    std::vector<std::vector<TFormProperty>> items;  // Collection items
    int line = 0;
};

struct TFormProperty {
    QString path;  // "Font.Height"
    TFormValue value;
    int line = 0;
};

struct TFormNode {
    QString name;
    QString className;
    int line = 0;
    std::vector<TFormProperty> properties;
    std::vector<TFormNode> children;
};

// Throws EReadError ("Line 3: ...") for text that is no form description.
TFormNode ParseFormText(const QString& text);
