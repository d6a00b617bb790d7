#include "toolkit/FormText.h"

#include "toolkit/Exceptions.h"

namespace {

bool isIdentStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isIdentPart(QChar c)
{
    return isIdentStart(c) || (c >= u'0' && c <= u'9');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int hexDigit(QChar c)
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
    explicit Lexer(const QString& text) : text_(text) {}

    const Token& Peek()
    {
        if (!peeked_) {
            next_ = Scan();
            peeked_ = true;
        }
        return next_;
    }

    Token Take()
    {
        Peek();
        peeked_ = false;
        return next_;
    }

    [[noreturn]] void Fail(int line, const QString& message) const
    {
        throw EReadError(QStringLiteral("Line %1: %2").arg(line).arg(message));
    }

private:
    QChar At(int i) const { return i < text_.size() ? text_[i] : QChar(); }

    void SkipSpace()
    {
        while (pos_ < text_.size()) {
            const QChar c = text_[pos_];
            if (c == u'\n')
                ++line_;
            if (!c.isSpace() && c != QChar(0xFEFF))
                break;
            ++pos_;
        }
    }

    Token Scan()
    {
        SkipSpace();
        Token t;
        t.line = line_;
        if (pos_ >= text_.size())
            return t;
        const QChar c = text_[pos_];
        if (isIdentStart(c))
            return ScanIdent(t);
        if (isDigit(c) || ((c == u'-' || c == u'+') && isDigit(At(pos_ + 1))) || c == u'$')
            return ScanNumber(t);
        if (c == u'\'' || c == u'#')
            return ScanString(t);
        if (c == u'{')
            return ScanBinary(t);
        t.kind = Token::Kind::Symbol;
        t.text = c;
        ++pos_;
        return t;
    }

    Token ScanIdent(Token& t)
    {
        const int start = pos_;
        while (pos_ < text_.size()) {
            if (isIdentPart(text_[pos_]))
                ++pos_;
            else if (text_[pos_] == u'.' && isIdentStart(At(pos_ + 1)))
                ++pos_;
            else
                break;
        }
        t.kind = Token::Kind::Ident;
        t.text = text_.mid(start, pos_ - start);
        return t;
    }

    Token ScanNumber(Token& t)
    {
        const int start = pos_;
        bool negative = false;
        if (text_[pos_] == u'-' || text_[pos_] == u'+')
            negative = text_[pos_++] == u'-';
        if (At(pos_) == u'$') {
            ++pos_;
            const int digits = pos_;
            while (hexDigit(At(pos_)) >= 0)
                ++pos_;
            bool ok = false;
            const qint64 value = text_.mid(digits, pos_ - digits).toLongLong(&ok, 16);
            if (!ok)
                Fail(t.line, QStringLiteral("Invalid number"));
            t.kind = Token::Kind::Integer;
            t.integer = negative ? -value : value;
            return t;
        }
        while (isDigit(At(pos_)))
            ++pos_;
        bool isFloat = false;
        if (At(pos_) == u'.' && isDigit(At(pos_ + 1))) {
            isFloat = true;
            ++pos_;
            while (isDigit(At(pos_)))
                ++pos_;
        }
        if ((At(pos_) == u'e' || At(pos_) == u'E')
            && (isDigit(At(pos_ + 1)) || ((At(pos_ + 1) == u'-' || At(pos_ + 1) == u'+') && isDigit(At(pos_ + 2))))) {
            isFloat = true;
            pos_ += 2;
            while (isDigit(At(pos_)))
                ++pos_;
        }
        const QString number = text_.mid(start, pos_ - start);
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
            if (At(pos_) == u'\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == u'\n')
                        Fail(t.line, QStringLiteral("Unterminated string"));
                    if (text_[pos_] == u'\'') {
                        if (At(pos_ + 1) != u'\'')
                            break;
                        ++pos_;
                    }
                    t.text += text_[pos_++];
                }
                ++pos_;
            } else if (At(pos_) == u'#') {
                ++pos_;
                char32_t code = 0;
                bool any = false;
                if (At(pos_) == u'$') {
                    ++pos_;
                    for (int d; (d = hexDigit(At(pos_))) >= 0; ++pos_, any = true)
                        code = code * 16 + char32_t(d);
                } else {
                    for (; isDigit(At(pos_)); ++pos_, any = true)
                        code = code * 10 + char32_t(At(pos_).unicode() - u'0');
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
        ++pos_;
        t.kind = Token::Kind::Binary;
        int high = -1;
        for (;;) {
            if (pos_ >= text_.size())
                Fail(t.line, QStringLiteral("Unterminated binary data"));
            const QChar c = text_[pos_++];
            if (c == u'}')
                break;
            if (c == u'\n')
                ++line_;
            if (c.isSpace())
                continue;
            const int d = hexDigit(c);
            if (d < 0)
                Fail(line_, QStringLiteral("Invalid binary data"));
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

    const QString& text_;
    int pos_ = 0;
    int line_ = 1;
    bool peeked_ = false;
    Token next_;
};

class Parser {
public:
    explicit Parser(const QString& text) : lexer_(text) {}

    TFormNode ParseRoot()
    {
        TFormNode root = ParseObject();
        const Token rest = lexer_.Take();
        if (rest.kind != Token::Kind::End)
            lexer_.Fail(rest.line, QStringLiteral("Text after the end of the form"));
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
        const Token t = lexer_.Take();
        if (!IsSymbol(t, c))
            lexer_.Fail(t.line, QStringLiteral("'%1' expected").arg(QChar(c)));
    }

    QString ExpectIdent(const char* what)
    {
        const Token t = lexer_.Take();
        if (t.kind != Token::Kind::Ident || t.text.contains(u'.'))
            lexer_.Fail(t.line, QStringLiteral("%1 expected").arg(QLatin1String(what)));
        return t.text;
    }

    TFormNode ParseObject()
    {
        const Token head = lexer_.Take();
        if (!IsWord(head, "object"))
            lexer_.Fail(head.line, QStringLiteral("'object' expected"));
        TFormNode node;
        node.line = head.line;
        node.name = ExpectIdent("Component name");
        Expect(u':');
        node.className = ExpectIdent("Class name");
        for (;;) {
            const Token& next = lexer_.Peek();
            if (next.kind == Token::Kind::End)
                lexer_.Fail(next.line, QStringLiteral("'end' expected for %1").arg(node.name));
            if (IsWord(next, "end")) {
                lexer_.Take();
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
        const Token name = lexer_.Take();
        if (name.kind != Token::Kind::Ident)
            lexer_.Fail(name.line, QStringLiteral("Property name expected"));
        Expect(u'=');
        TFormProperty property;
        property.path = name.text;
        property.line = name.line;
        property.value = ParseValue();
        return property;
    }

    TFormValue ParseValue()
    {
        Token t = lexer_.Take();
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
            while (IsSymbol(lexer_.Peek(), u'+')) {
                lexer_.Take();
                const Token more = lexer_.Take();
                if (more.kind != Token::Kind::String)
                    lexer_.Fail(more.line, QStringLiteral("String expected after '+'"));
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
        lexer_.Fail(t.line, QStringLiteral("Invalid property value"));
    }

    TFormValue ParseSet(TFormValue& v)
    {
        v.kind = TFormValue::Kind::Set;
        if (IsSymbol(lexer_.Peek(), u']')) {
            lexer_.Take();
            return v;
        }
        for (;;) {
            v.names.append(ExpectIdent("Set element"));
            const Token t = lexer_.Take();
            if (IsSymbol(t, u']'))
                return v;
            if (!IsSymbol(t, u','))
                lexer_.Fail(t.line, QStringLiteral("',' or ']' expected"));
        }
    }

    TFormValue ParseList(TFormValue& v)
    {
        v.kind = TFormValue::Kind::List;
        while (!IsSymbol(lexer_.Peek(), u')')) {
            if (lexer_.Peek().kind == Token::Kind::End)
                lexer_.Fail(v.line, QStringLiteral("')' expected"));
            v.list.push_back(ParseValue());
        }
        lexer_.Take();
        return v;
    }

    TFormValue ParseCollection(TFormValue& v)
    {
        v.kind = TFormValue::Kind::Collection;
        for (;;) {
            const Token t = lexer_.Take();
            if (IsSymbol(t, u'>'))
                return v;
            if (!IsWord(t, "item"))
                lexer_.Fail(t.line, QStringLiteral("'item' expected"));
            std::vector<TFormProperty>& item = v.items.emplace_back();
            for (;;) {
                const Token& next = lexer_.Peek();
                if (next.kind == Token::Kind::End)
                    lexer_.Fail(next.line, QStringLiteral("'end' expected for the item"));
                if (IsWord(next, "end")) {
                    lexer_.Take();
                    break;
                }
                item.push_back(ParseProperty());
            }
        }
    }

    Lexer lexer_;
};

}  // namespace

TFormNode ParseFormText(const QString& text)
{
    return Parser(text).ParseRoot();
}
