#include "toolkit/FormText.h"

#include "toolkit/Exceptions.h"

namespace {

bool IsIdentStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool IsIdentPart(QChar c)
{
    return IsIdentStart(c) || (c >= u'0' && c <= u'9');
}

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int HexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

struct Token {
    enum class Kind { End, Ident, Integer, Float, String, Binary, Symbol };
    Kind kind = Kind::End;
    QString text;  // Ident, String; the symbol character
    qint64 integer = 0;
    double real = 0;
    QByteArray binary;
    int line = 1;
};

class Lexer {
public:
    explicit Lexer(const QString& text) : FText(text) {}

    const Token& Peek()
    {
        if (!FPeeked) {
            FNext = Scan();
            FPeeked = true;
        }
        return FNext;
    }

    Token Take()
    {
        Peek();
        FPeeked = false;
        return FNext;
    }

    [[noreturn]] void Fail(int line, const QString& message) const
    {
        throw EReadError(QStringLiteral("Line %1: %2").arg(line).arg(message));
    }

private:
    QChar At(int i) const { return i < FText.size() ? FText[i] : QChar(); }

    void SkipSpace()
    {
        while (FPos < FText.size()) {
            const QChar c = FText[FPos];
            if (c == u'\n')
                ++FLine;
            if (!c.isSpace() && c != QChar(0xFEFF))
                break;
            ++FPos;
        }
    }

    Token Scan()
    {
        SkipSpace();
        Token t;
        t.line = FLine;
        if (FPos >= FText.size())
            return t;
        const QChar c = FText[FPos];
        if (IsIdentStart(c))
            return ScanIdent(t);
        if (IsDigit(c) || ((c == u'-' || c == u'+') && IsDigit(At(FPos + 1))) || c == u'$')
            return ScanNumber(t);
        if (c == u'\'' || c == u'#')
            return ScanString(t);
        if (c == u'{')
            return ScanBinary(t);
        t.kind = Token::Kind::Symbol;
        t.text = c;
        ++FPos;
        return t;
    }

    Token ScanIdent(Token& t)
    {
        const int start = FPos;
        while (FPos < FText.size()) {
            if (IsIdentPart(FText[FPos]))
                ++FPos;
            else if (FText[FPos] == u'.' && IsIdentStart(At(FPos + 1)))
                ++FPos;
            else
                break;
        }
        t.kind = Token::Kind::Ident;
        t.text = FText.mid(start, FPos - start);
        return t;
    }

    Token ScanNumber(Token& t)
    {
        const int start = FPos;
        bool negative = false;
        if (FText[FPos] == u'-' || FText[FPos] == u'+')
            negative = FText[FPos++] == u'-';
        if (At(FPos) == u'$') {
            ++FPos;
            const int digits = FPos;
            while (HexDigit(At(FPos)) >= 0)
                ++FPos;
            bool ok = false;
            const qint64 value = FText.mid(digits, FPos - digits).toLongLong(&ok, 16);
            if (!ok)
                Fail(t.line, QStringLiteral("Invalid number"));
            t.kind = Token::Kind::Integer;
            t.integer = negative ? -value : value;
            return t;
        }
        while (IsDigit(At(FPos)))
            ++FPos;
        bool isFloat = false;
        if (At(FPos) == u'.' && IsDigit(At(FPos + 1))) {
            isFloat = true;
            ++FPos;
            while (IsDigit(At(FPos)))
                ++FPos;
        }
        if ((At(FPos) == u'e' || At(FPos) == u'E')
            && (IsDigit(At(FPos + 1)) || ((At(FPos + 1) == u'-' || At(FPos + 1) == u'+') && IsDigit(At(FPos + 2))))) {
            isFloat = true;
            FPos += 2;
            while (IsDigit(At(FPos)))
                ++FPos;
        }
        const QString number = FText.mid(start, FPos - start);
        bool ok = false;
        if (isFloat) {
            t.kind = Token::Kind::Float;
            t.real = number.toDouble(&ok);
        } else {
            t.kind = Token::Kind::Integer;
            t.integer = number.toLongLong(&ok);
        }
        if (!ok)
            Fail(t.line, QStringLiteral("Invalid number %1").arg(number));
        return t;
    }

    // Quoted pieces and #nnn codes written next to each other form one string.
    Token ScanString(Token& t)
    {
        t.kind = Token::Kind::String;
        for (;;) {
            if (At(FPos) == u'\'') {
                ++FPos;
                for (;;) {
                    if (FPos >= FText.size() || FText[FPos] == u'\n')
                        Fail(t.line, QStringLiteral("Unterminated string"));
                    if (FText[FPos] == u'\'') {
                        if (At(FPos + 1) != u'\'')
                            break;
                        ++FPos;
                    }
                    t.text += FText[FPos++];
                }
                ++FPos;
            } else if (At(FPos) == u'#') {
                ++FPos;
                char32_t code = 0;
                bool any = false;
                if (At(FPos) == u'$') {
                    ++FPos;
                    for (int d; (d = HexDigit(At(FPos))) >= 0; ++FPos, any = true)
                        code = code * 16 + char32_t(d);
                } else {
                    for (; IsDigit(At(FPos)); ++FPos, any = true)
                        code = code * 10 + char32_t(At(FPos).unicode() - u'0');
                }
                if (!any || code > 0x10FFFF)
                    Fail(t.line, QStringLiteral("Invalid character code"));
                t.text += QString::fromUcs4(&code, 1);
            } else {
                return t;
            }
        }
    }

    Token ScanBinary(Token& t)
    {
        ++FPos;
        t.kind = Token::Kind::Binary;
        int high = -1;
        for (;;) {
            if (FPos >= FText.size())
                Fail(t.line, QStringLiteral("Unterminated binary data"));
            const QChar c = FText[FPos++];
            if (c == u'}')
                break;
            if (c == u'\n')
                ++FLine;
            if (c.isSpace())
                continue;
            const int d = HexDigit(c);
            if (d < 0)
                Fail(FLine, QStringLiteral("Invalid binary data"));
            if (high < 0) {
                high = d;
            } else {
                t.binary.append(char(high * 16 + d));
                high = -1;
            }
        }
        if (high >= 0)
            Fail(t.line, QStringLiteral("Odd number of hexadecimal digits"));
        return t;
    }

    const QString& FText;
    int FPos = 0;
    int FLine = 1;
    bool FPeeked = false;
    Token FNext;
};

class Parser {
public:
    explicit Parser(const QString& text) : FLexer(text) {}

    TFormNode ParseRoot()
    {
        TFormNode root = ParseObject();
        const Token rest = FLexer.Take();
        if (rest.kind != Token::Kind::End)
            FLexer.Fail(rest.line, QStringLiteral("Text after the end of the form"));
        return root;
    }

private:
    bool IsSymbol(const Token& t, char16_t c) const { return t.kind == Token::Kind::Symbol && t.text == QChar(c); }
    bool IsWord(const Token& t, const char* word) const
    {
        return t.kind == Token::Kind::Ident && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    void Expect(char16_t c)
    {
        const Token t = FLexer.Take();
        if (!IsSymbol(t, c))
            FLexer.Fail(t.line, QStringLiteral("'%1' expected").arg(QChar(c)));
    }

    QString ExpectIdent(const char* what)
    {
        const Token t = FLexer.Take();
        if (t.kind != Token::Kind::Ident || t.text.contains(u'.'))
            FLexer.Fail(t.line, QStringLiteral("%1 expected").arg(QLatin1String(what)));
        return t.text;
    }

    TFormNode ParseObject()
    {
        const Token head = FLexer.Take();
        if (!IsWord(head, "object"))
            FLexer.Fail(head.line, QStringLiteral("'object' expected"));
        TFormNode node;
        node.line = head.line;
        node.name = ExpectIdent("Component name");
        Expect(u':');
        node.className = ExpectIdent("Class name");
        for (;;) {
            const Token& next = FLexer.Peek();
            if (next.kind == Token::Kind::End)
                FLexer.Fail(next.line, QStringLiteral("'end' expected for %1").arg(node.name));
            if (IsWord(next, "end")) {
                FLexer.Take();
                return node;
            }
            if (IsWord(next, "object")) {
                node.children.push_back(ParseObject());
                continue;
            }
            node.properties.push_back(ParseProperty());
        }
    }

    TFormProperty ParseProperty()
    {
        const Token name = FLexer.Take();
        if (name.kind != Token::Kind::Ident)
            FLexer.Fail(name.line, QStringLiteral("Property name expected"));
        Expect(u'=');
        TFormProperty property;
        property.path = name.text;
        property.line = name.line;
        property.value = ParseValue();
        return property;
    }

    TFormValue ParseValue()
    {
        Token t = FLexer.Take();
        TFormValue v;
        v.line = t.line;
        switch (t.kind) {
        case Token::Kind::Integer:
            v.kind = TFormValue::Kind::Integer;
            v.integer = t.integer;
            return v;
        case Token::Kind::Float:
            v.kind = TFormValue::Kind::Float;
            v.real = t.real;
            return v;
        case Token::Kind::Ident:
            v.kind = TFormValue::Kind::Ident;
            v.text = t.text;
            return v;
        case Token::Kind::String:
            v.kind = TFormValue::Kind::String;
            v.text = t.text;
            while (IsSymbol(FLexer.Peek(), u'+')) {
                FLexer.Take();
                const Token more = FLexer.Take();
                if (more.kind != Token::Kind::String)
                    FLexer.Fail(more.line, QStringLiteral("String expected after '+'"));
                v.text += more.text;
            }
            return v;
        case Token::Kind::Binary:
            v.kind = TFormValue::Kind::Binary;
            v.binary = t.binary;
            return v;
        case Token::Kind::Symbol:
            if (t.text == u'[')
                return ParseSet(v);
            if (t.text == u'(')
                return ParseList(v);
            if (t.text == u'<')
                return ParseCollection(v);
            break;
        case Token::Kind::End:
            break;
        }
        FLexer.Fail(t.line, QStringLiteral("Invalid property value"));
    }

    TFormValue ParseSet(TFormValue& v)
    {
        v.kind = TFormValue::Kind::Set;
        if (IsSymbol(FLexer.Peek(), u']')) {
            FLexer.Take();
            return v;
        }
        for (;;) {
            v.names.append(ExpectIdent("Set element"));
            const Token t = FLexer.Take();
            if (IsSymbol(t, u']'))
                return v;
            if (!IsSymbol(t, u','))
                FLexer.Fail(t.line, QStringLiteral("',' or ']' expected"));
        }
    }

    TFormValue ParseList(TFormValue& v)
    {
        v.kind = TFormValue::Kind::List;
        while (!IsSymbol(FLexer.Peek(), u')')) {
            if (FLexer.Peek().kind == Token::Kind::End)
                FLexer.Fail(v.line, QStringLiteral("')' expected"));
            v.list.push_back(ParseValue());
        }
        FLexer.Take();
        return v;
    }

    TFormValue ParseCollection(TFormValue& v)
    {
        v.kind = TFormValue::Kind::Collection;
        for (;;) {
            const Token t = FLexer.Take();
            if (IsSymbol(t, u'>'))
                return v;
            if (!IsWord(t, "item"))
                FLexer.Fail(t.line, QStringLiteral("'item' expected"));
            std::vector<TFormProperty>& item = v.items.emplace_back();
            for (;;) {
                const Token& next = FLexer.Peek();
                if (next.kind == Token::Kind::End)
                    FLexer.Fail(next.line, QStringLiteral("'end' expected for the item"));
                if (IsWord(next, "end")) {
                    FLexer.Take();
                    break;
                }
                item.push_back(ParseProperty());
            }
        }
    }

    Lexer FLexer;
};

}  // namespace

TFormNode ParseFormText(const QString& text)
{
    return Parser(text).ParseRoot();
}
