#include "TypicalMessages.h"

#include "utils/ProtocolDefinedJsonObject.h"
#include "utils/QtJson.h"

namespace {

QVariantMap deviceAnswer() {
    return QVariantMap{
        {Protocol::NAME, QStringLiteral("三楼 大会议室")},
        {Protocol::VERSION, Protocol::V1_0},
        {Protocol::OS, QStringLiteral("Android")},
        {Protocol::UUID, QStringLiteral("3c:2a:f4:91:07:5e")},
        {Protocol::TYPE, Protocol::SERVER},
        {Protocol::SUPPORT, QVariantList{Protocol::FILE_UPLOAD, QStringLiteral("Glimmer:5000")}},
    };
}

QVariantMap uploadRequest() {
    return QVariantMap{
        {Protocol::TYPE, Protocol::FILE_UPLOAD},
        {Protocol::FILE_NAME, QStringLiteral("季度 报告 2024.pdf")},
        {Protocol::FILE_SIZE, qint64(48213377)},
        {Protocol::OPTION, Protocol::NORMAL},
    };
}

QVariantMap completionPoll() {
    return QVariantMap{
        {Protocol::TYPE, Protocol::QUERY_RESULT},
        {Protocol::SESSION_ID, 1742},
        {Protocol::MD5, QStringLiteral("9e107d9d372bb6826bd81d3542a419d6")},
    };
}

QVariantMap listingDatagram() {
    QVariantList entries;
    for (int i = 0; i < 20; ++i) {
        entries.append(QVariantMap{
            {Protocol::FILE_NAME, QStringLiteral("会议 照片 %1.jpg").arg(i + 101)},
            {Protocol::FILE_SIZE, qint64(1843200 + i * 7919)},
            {Protocol::DATE_MODIFIED, qint64(1717171717000) + i * 60000},
            {Protocol::FILE_TYPE, Protocol::FILE},
        });
    }
    return QVariantMap{
        {Protocol::RESULT, Protocol::OK},
        {Protocol::FILE_LIST, entries},
        {Protocol::FINISHED, false},
    };
}

TypicalMessage make(const char* name, const QVariant& value) {
    const QByteArray utf8 = QtJson::serialize(value);
    return TypicalMessage{name, value, utf8, QString::fromUtf8(utf8)};
}

} // namespace

const std::vector<TypicalMessage>& typicalMessages() {
    static const std::vector<TypicalMessage> messages{
        make("device_answer", deviceAnswer()),
        make("upload_request", uploadRequest()),
        make("completion_poll", completionPoll()),
        make("listing_datagram", listingDatagram()),
    };
    static_assert(TypicalMessageCount == 4, "one benchmark argument per message");
    return messages;
}
