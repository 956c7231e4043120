#include "utils/QtJson.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestQtJson : public QObject {
    Q_OBJECT
private slots:
    void serializerWritesTheWireFormat_data();
    void serializerWritesTheWireFormat();
    void serializerFailures();
    void serializedMessageRoundTrips();
    void parsesScalars_data();
    void parsesScalars();
    void parsesStringsAndEscapes();
    void parsesLenientContainers();
    void parseFailures_data();
    void parseFailures();
    void nullAndEmptyInput();
    void nestingDepthIsLimited();
};

void TestQtJson::serializerWritesTheWireFormat_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");

    QVariantMap example;
    example.insert("b", QVariantList{1, true});
    example.insert("a", QStringLiteral("x/y"));
    QTest::newRow("worked example")
        << QVariant(example) << QByteArray("{ \"a\" : \"x/y\", \"b\" : [ 1, true ] }");

    QVariantMap keys;
    keys.insert("b", 1);
    keys.insert("B", 2);
    keys.insert("a", 3);
    QTest::newRow("key order by code unit")
        << QVariant(keys) << QByteArray("{ \"B\" : 2, \"a\" : 3, \"b\" : 1 }");
    QTest::newRow("empty map") << QVariant(QVariantMap()) << QByteArray("{  }");
    QTest::newRow("empty list") << QVariant(QVariantList()) << QByteArray("[  ]");
    QTest::newRow("string list") << QVariant(QStringList{"file_upload"})
                                 << QByteArray("[ \"file_upload\" ]");
    QTest::newRow("null") << QVariant() << QByteArray("null");
    QTest::newRow("double whole") << QVariant(3.0) << QByteArray("3.0");
    QTest::newRow("double 0.1") << QVariant(0.1) << QByteArray("0.10000000000000000555");
    QTest::newRow("double 1e21") << QVariant(1e21) << QByteArray("1e+21");
    QTest::newRow("negative int") << QVariant(-42) << QByteArray("-42");
    QTest::newRow("uint") << QVariant(4000000000u) << QByteArray("4000000000");
    QTest::newRow("qint64") << QVariant(qint64(-5000000000LL)) << QByteArray("-5000000000");
    QTest::newRow("quint64 max") << QVariant(std::numeric_limits<quint64>::max())
                                 << QByteArray("18446744073709551615");
    QTest::newRow("bool") << QVariant(false) << QByteArray("false");
    QTest::newRow("escapes") << QVariant(QStringLiteral("a\\b\"c\bd\fe\nf\rg\th"))
                             << QByteArray("\"a\\\\b\\\"c\\bd\\fe\\nf\\rg\\th\"");
    QTest::newRow("slash and control stay raw")
        << QVariant(QString("a/b") + QChar(0x01) + QChar(0x1f)) << QByteArray("\"a/b\x01\x1f\"");
    QTest::newRow("non-ascii as utf-8")
        << QVariant(QStringLiteral("上传 é")) << QStringLiteral("\"上传 é\"").toUtf8();
    QTest::newRow("byte array as string") << QVariant(QByteArray("raw")) << QByteArray("\"raw\"");
}

void TestQtJson::serializerWritesTheWireFormat() {
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);
    bool success = false;
    const QByteArray text = QtJson::serialize(value, success);
    QVERIFY(success);
    QCOMPARE(text, expected);
}

void TestQtJson::serializerFailures() {
    bool success = true;
    QVERIFY(QtJson::serialize(std::nan(""), success).isNull());
    QVERIFY(!success);
    QVERIFY(QtJson::serialize(std::numeric_limits<double>::infinity(), success).isNull());
    QVERIFY(!success);

    // A failing element fails the whole container, however deep it sits.
    QVariantMap inner;
    inner.insert("bad", std::nan(""));
    QVariantMap outer;
    outer.insert("list", QVariantList{1, inner});
    QVERIFY(QtJson::serialize(outer, success).isNull());
    QVERIFY(!success);

    QVERIFY(QtJson::serialize(QVariant::fromValue(QPoint(1, 2)), success).isNull());
    QVERIFY(!success);

    // The flag is reset by every call.
    QCOMPARE(QtJson::serialize(1, success), QByteArray("1"));
    QVERIFY(success);
}

void TestQtJson::serializedMessageRoundTrips() {
    QVariantMap request;
    request.insert("type", "file_upload");
    request.insert("file_name", QStringLiteral("报告 final.pdf"));
    request.insert("file_size", qint64(1) << 40);
    request.insert("option", "normal");
    request.insert("nested", QVariantMap{{"list", QVariantList{1, "two", false}}});
    bool ok = false;
    const QVariantMap back =
        QtJson::parse(QString::fromUtf8(QtJson::serialize(request)), ok).toMap();
    QVERIFY(ok);
    QCOMPARE(back.value("file_name").toString(), QStringLiteral("报告 final.pdf"));
    QCOMPARE(back.value("file_size").toLongLong(), qint64(1) << 40);
    QCOMPARE(back.value("nested").toMap().value("list").toList().at(1).toString(), QString("two"));
}

void TestQtJson::parsesScalars_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("unsigned") << "12" << int(QMetaType::UInt) << QVariant(12u);
    QTest::newRow("signed") << "-12" << int(QMetaType::Int) << QVariant(-12);
    QTest::newRow("double") << "12.5" << int(QMetaType::Double) << QVariant(12.5);
    QTest::newRow("beyond 32 bits")
        << "4294967296" << int(QMetaType::ULongLong) << QVariant(qulonglong(4294967296ULL));
    QTest::newRow("negative beyond 32 bits")
        << "-4294967296" << int(QMetaType::LongLong) << QVariant(qlonglong(-4294967296LL));
    QTest::newRow("exponent without point")
        << "1e3" << int(QMetaType::QString) << QVariant(QString("1e3"));
    QTest::newRow("beyond 64 bits") << "123456789012345678901234" << int(QMetaType::QString)
                                    << QVariant(QString("123456789012345678901234"));
    QTest::newRow("true") << " \t\r\ntrue" << int(QMetaType::Bool) << QVariant(true);
    QTest::newRow("false") << "false" << int(QMetaType::Bool) << QVariant(false);
    QTest::newRow("trailing text ignored") << "7 garbage" << int(QMetaType::UInt) << QVariant(7u);
}

void TestQtJson::parsesScalars() {
    QFETCH(QString, json);
    QFETCH(int, type);
    QFETCH(QVariant, expected);
    bool ok = false;
    const QVariant value = QtJson::parse(json, ok);
    QVERIFY(ok);
    QCOMPARE(value.userType(), type);
    QCOMPARE(value, expected);
}

void TestQtJson::parsesStringsAndEscapes() {
    bool ok = false;
    QCOMPARE(QtJson::parse("\"\\u00e9\"", ok).toString(), QStringLiteral("é"));
    QVERIFY(ok);
    QCOMPARE(QtJson::parse("\"\\q\"", ok).toString(), QString());
    QVERIFY(ok);
    QCOMPARE(QtJson::parse("\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"", ok).toString(),
             QString("\"\\/\b\f\n\r\t"));
    QVERIFY(ok);
    // An invalid hexadecimal escape gives code unit 0.
    QCOMPARE(QtJson::parse("\"\\uzzzz\"", ok).toString(), QString(QChar(0)));
    QVERIFY(ok);
    QCOMPARE(QtJson::parse(QStringLiteral("\"上传\""), ok).toString(), QStringLiteral("上传"));
    QVERIFY(ok);
}

void TestQtJson::parsesLenientContainers() {
    bool ok = false;
    const QVariantMap map = QtJson::parse("{,\"a\":1,,\"a\":2,\"b\":null} trailing", ok).toMap();
    QVERIFY(ok);
    QCOMPARE(map.value("a").toUInt(), 2u); // a repeated name replaces the earlier value
    QVERIFY(map.contains("b"));
    QVERIFY(!map.value("b").isValid());

    const QVariantList list = QtJson::parse("[,1,,[],{}]", ok).toList();
    QVERIFY(ok);
    QCOMPARE(list.size(), 3);
    QCOMPARE(list.at(1).toList().size(), 0);

    const QVariantMap trailing = QtJson::parse("{\"a\":1} trailing", ok).toMap();
    QVERIFY(ok);
    QCOMPARE(trailing.value("a").toUInt(), 1u);
}

void TestQtJson::parseFailures_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<int>("type");
    QTest::newRow("empty text") << "" << int(QMetaType::UnknownType);
    QTest::newRow("only whitespace") << " \n " << int(QMetaType::UnknownType);
    QTest::newRow("unterminated string") << "\"abc" << int(QMetaType::UnknownType);
    QTest::newRow("backslash at end") << "\"abc\\" << int(QMetaType::UnknownType);
    QTest::newRow("short unicode escape") << "\"\\u12\"" << int(QMetaType::UnknownType);
    QTest::newRow("closing bracket") << "]" << int(QMetaType::UnknownType);
    QTest::newRow("plus sign") << "+1" << int(QMetaType::UnknownType);
    QTest::newRow("short keyword") << "tru" << int(QMetaType::UnknownType);
    QTest::newRow("unterminated object") << "{\"a\":1" << int(QMetaType::QVariantMap);
    QTest::newRow("missing colon") << "{\"a\" 1}" << int(QMetaType::QVariantMap);
    QTest::newRow("bad member value") << "{\"a\":}" << int(QMetaType::QVariantMap);
    QTest::newRow("unterminated array") << "[1,2" << int(QMetaType::QVariantList);
    QTest::newRow("bad element") << "[1,:]" << int(QMetaType::QVariantList);
}

void TestQtJson::parseFailures() {
    QFETCH(QString, json);
    QFETCH(int, type);
    bool ok = true;
    const QVariant value = QtJson::parse(json, ok);
    QVERIFY(!ok);
    QCOMPARE(value.userType(), type);
    // Partial content is discarded.
    QVERIFY(value.toMap().isEmpty());
    QVERIFY(value.toList().isEmpty());
}

void TestQtJson::nullAndEmptyInput() {
    bool ok = false;
    QVERIFY(!QtJson::parse(QString(), ok).isValid());
    QVERIFY(ok);
    QVERIFY(!QtJson::parse("null", ok).isValid());
    QVERIFY(ok);
}

void TestQtJson::nestingDepthIsLimited() {
    bool ok = false;
    const QString deepest = QString("[").repeated(QtJson::MaxNestingDepth) +
                            QString("]").repeated(QtJson::MaxNestingDepth);
    QtJson::parse(deepest, ok);
    QVERIFY(ok);

    const QString tooDeep = "[" + deepest + "]";
    QtJson::parse(tooDeep, ok);
    QVERIFY(!ok);

    // Text from the network must not be able to exhaust the stack.
    const int levels = 100000;
    QtJson::parse(QString("[").repeated(levels) + QString("]").repeated(levels), ok);
    QVERIFY(!ok);
    QtJson::parse(QString("{\"a\":").repeated(levels) + "1" + QString("}").repeated(levels), ok);
    QVERIFY(!ok);
}

QTEST_APPLESS_MAIN(TestQtJson)
#include "tst_qtjson.moc"
