#include "cast/CastReply.h"

#include "utils/JsonFields.h"
#include "utils/ProtocolDefinedJsonObject.h"

#include <limits>

CastReply CastReply::read(const QVariantMap& reply) {
    CastReply read;
    read.ok = JsonFields::textOr(reply, Protocol::RESULT) == Protocol::OK;
    read.deviceUuid = JsonFields::textOr(reply, Protocol::UUID);
    read.errorCode =
        int(JsonFields::integerOr(reply, Protocol::ERROR_CODE, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max(), UnknownErrorCode));
    read.reason = JsonFields::textOr(reply, Protocol::REASON);
    read.needPassword = JsonFields::flagOr(reply, Protocol::NEED_PASSWD, false);
    read.randomData = JsonFields::textOr(reply, Protocol::RANDOM_DATA);
    read.ip = JsonFields::textOr(reply, Protocol::IP);
    return read;
}
