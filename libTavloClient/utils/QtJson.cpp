#include "utils/QtJson.h"

#include <QStringList>

#include <cmath>

namespace QtJson {
namespace {

enum class Token {
    None,
    CurlyOpen,
    CurlyClose,
    SquaredOpen,
    SquaredClose,
    Colon,
    Comma,
    String,
    Number,
    True,
    False,
    Null,
};

bool isWhitespace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

void skipWhitespace(const QString& json, int& index) {
    while (index < json.size() && isWhitespace(json.at(index)))
        ++index;
}

bool matchesAt(const QString& json, int index, QLatin1String word) {
    return json.midRef(index, word.size()) == word;
}

Token nextToken(const QString& json, int& index) {
    skipWhitespace(json, index);
    if (index == json.size())
        return Token::None;

    const QChar c = json.at(index);
    ++index;
    switch (c.unicode()) {
    case '{':
        return Token::CurlyOpen;
    case '}':
        return Token::CurlyClose;
    case '[':
        return Token::SquaredOpen;
    case ']':
        return Token::SquaredClose;
    case ':':
        return Token::Colon;
    case ',':
        return Token::Comma;
    case '"':
        return Token::String;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        return Token::Number;
    default:
        break;
    }
    --index;

    const int remaining = json.size() - index;
    if (remaining >= 4) {
        if (matchesAt(json, index, QLatin1String("true"))) {
            index += 4;
            return Token::True;
        }
        if (matchesAt(json, index, QLatin1String("null"))) {
            index += 4;
            return Token::Null;
        }
    }
    if (remaining >= 5 && matchesAt(json, index, QLatin1String("false"))) {
        index += 5;
        return Token::False;
    }
    return Token::None;
}

Token lookAhead(const QString& json, int index) {
    return nextToken(json, index);
}

class Parser {
public:
    explicit Parser(const QString& json)
        : json_(json) {}

    QVariant parseValue(int& index, bool& success) {
        switch (lookAhead(json_, index)) {
        case Token::String:
            return parseString(index, success);
        case Token::Number:
            return parseNumber(index);
        case Token::CurlyOpen:
            return parseObject(index, success);
        case Token::SquaredOpen:
            return parseArray(index, success);
        case Token::True:
            nextToken(json_, index);
            return QVariant(true);
        case Token::False:
            nextToken(json_, index);
            return QVariant(false);
        case Token::Null:
            nextToken(json_, index);
            return QVariant();
        default:
            success = false;
            return QVariant();
        }
    }

private:
    QVariant parseObject(int& index, bool& success) {
        QVariantMap map;
        if (++depth_ > MaxNestingDepth) {
            success = false;
            return QVariantMap();
        }
        nextToken(json_, index); // the opening brace
        for (;;) {
            const Token token = lookAhead(json_, index);
            if (token == Token::None) {
                success = false;
                return QVariantMap();
            }
            if (token == Token::Comma) {
                nextToken(json_, index);
                continue;
            }
            if (token == Token::CurlyClose) {
                nextToken(json_, index);
                --depth_;
                return map;
            }
            const QString name = parseString(index, success).toString();
            if (!success)
                return QVariantMap();
            if (nextToken(json_, index) != Token::Colon) {
                success = false;
                return QVariantMap();
            }
            const QVariant value = parseValue(index, success);
            if (!success)
                return QVariantMap();
            map.insert(name, value);
        }
    }

    QVariant parseArray(int& index, bool& success) {
        QVariantList list;
        if (++depth_ > MaxNestingDepth) {
            success = false;
            return QVariantList();
        }
        nextToken(json_, index); // the opening bracket
        for (;;) {
            const Token token = lookAhead(json_, index);
            if (token == Token::None) {
                success = false;
                return QVariantList();
            }
            if (token == Token::Comma) {
                nextToken(json_, index);
                continue;
            }
            if (token == Token::SquaredClose) {
                nextToken(json_, index);
                --depth_;
                return list;
            }
            const QVariant value = parseValue(index, success);
            if (!success)
                return QVariantList();
            list.append(value);
        }
    }

    QVariant parseString(int& index, bool& success) {
        QString text;
        skipWhitespace(json_, index);
        ++index; // the opening quote, whatever character stands there
        while (index < json_.size()) {
            QChar c = json_.at(index++);
            if (c == QLatin1Char('"'))
                return QVariant(text);
            if (c != QLatin1Char('\\')) {
                text.append(c);
                continue;
            }
            if (index >= json_.size())
                break;
            c = json_.at(index++);
            switch (c.unicode()) {
            case '"':
                text.append(QLatin1Char('"'));
                break;
            case '\\':
                text.append(QLatin1Char('\\'));
                break;
            case '/':
                text.append(QLatin1Char('/'));
                break;
            case 'b':
                text.append(QChar(0x08));
                break;
            case 'f':
                text.append(QChar(0x0c));
                break;
            case 'n':
                text.append(QChar(0x0a));
                break;
            case 'r':
                text.append(QChar(0x0d));
                break;
            case 't':
                text.append(QChar(0x09));
                break;
            case 'u': {
                if (json_.size() - index < 4) {
                    success = false;
                    return QVariant();
                }
                const ushort code = json_.midRef(index, 4).toUShort(nullptr, 16);
                text.append(QChar(code));
                index += 4;
                break;
            }
            default:
                break; // unknown escapes are dropped with their backslash
            }
        }
        success = false;
        return QVariant();
    }

    QVariant parseNumber(int& index) {
        static const QString numberChars = QStringLiteral("0123456789+-.eE");
        skipWhitespace(json_, index);
        const int start = index;
        while (index < json_.size() && numberChars.contains(json_.at(index)))
            ++index;
        const QString run = json_.mid(start, index - start);

        if (run.contains(QLatin1Char('.')))
            return QVariant(run.toDouble());

        bool ok = false;
        if (run.startsWith(QLatin1Char('-'))) {
            const int i = run.toInt(&ok);
            if (ok)
                return QVariant(i);
            const qlonglong ll = run.toLongLong(&ok);
            if (ok)
                return QVariant(ll);
        } else {
            const uint u = run.toUInt(&ok);
            if (ok)
                return QVariant(u);
            const qulonglong ull = run.toULongLong(&ok);
            if (ok)
                return QVariant(ull);
        }
        return QVariant(run);
    }

    const QString& json_;
    int depth_ = 0;
};

QString escaped(QString text) {
    text.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    text.replace(QLatin1String("\""), QLatin1String("\\\""));
    text.replace(QChar(0x08), QLatin1String("\\b"));
    text.replace(QChar(0x0c), QLatin1String("\\f"));
    text.replace(QChar(0x0a), QLatin1String("\\n"));
    text.replace(QChar(0x0d), QLatin1String("\\r"));
    text.replace(QChar(0x09), QLatin1String("\\t"));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

template <typename Map> QByteArray serializeMembers(const Map& map, bool& success) {
    QList<QByteArray> members;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QByteArray value = serialize(it.value());
        if (value.isNull()) {
            success = false;
            return QByteArray();
        }
        members.append(escaped(it.key()).toUtf8() + " : " + value);
    }
    return "{ " + members.join(", ") + " }";
}

} // namespace

QVariant parse(const QString& json, bool& success) {
    success = true;
    if (json.isNull())
        return QVariant();
    int index = 0;
    Parser parser(json);
    return parser.parseValue(index, success);
}

QVariant parse(const QString& json) {
    bool success = true;
    return parse(json, success);
}

QByteArray serialize(const QVariant& data, bool& success) {
    success = true;
    QByteArray text;
    const int type = data.userType();

    if (!data.isValid()) {
        text = "null";
    } else if (type == QMetaType::QVariantList || type == QMetaType::QStringList) {
        QList<QByteArray> elements;
        const QVariantList list = data.toList();
        for (const QVariant& element : list) {
            const QByteArray value = serialize(element);
            if (value.isNull()) {
                success = false;
                break;
            }
            elements.append(value);
        }
        text = "[ " + elements.join(", ") + " ]";
    } else if (type == QMetaType::QVariantHash) {
        text = serializeMembers(data.toHash(), success);
    } else if (type == QMetaType::QVariantMap) {
        text = serializeMembers(data.toMap(), success);
    } else if (type == QMetaType::QString || type == QMetaType::QByteArray) {
        text = escaped(data.toString()).toUtf8();
    } else if (type == QMetaType::Double || type == QMetaType::Float) {
        const double value = data.toDouble();
        if (!std::isfinite(value)) {
            success = false;
        } else {
            text = QByteArray::number(value, 'g', 20);
            if (!text.contains('.') && !text.contains('e'))
                text += ".0";
        }
    } else if (type == QMetaType::Bool) {
        text = data.toBool() ? "true" : "false";
    } else if (type == QMetaType::ULongLong) {
        text = QByteArray::number(data.toULongLong());
    } else if (data.canConvert<qlonglong>()) {
        text = QByteArray::number(data.toLongLong());
    } else if (data.canConvert<long>()) {
        text = QByteArray::number(qlonglong(data.value<long>()));
    } else if (data.canConvert<QString>()) {
        text = escaped(data.toString()).toUtf8();
    } else {
        success = false;
    }

    return success ? text : QByteArray();
}

QByteArray serialize(const QVariant& data) {
    bool success = true;
    return serialize(data, success);
}

} // namespace QtJson
