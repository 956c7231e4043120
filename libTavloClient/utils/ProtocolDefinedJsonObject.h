#pragma once

#include <QObject>
#include <QString>

// Every key and fixed value of the device protocols, held once. Messages are
// matched case-sensitively against these words.
namespace Protocol {

inline const QString RANDOM_DATA = QStringLiteral("random_data");
inline const QString NEED_PASSWD = QStringLiteral("need_passwd");
inline const QString GET_AUTH = QStringLiteral("get_auth");
inline const QString CANCEL_CONFIRM = QStringLiteral("cancel_confirm");
inline const QString CONFIRM = QStringLiteral("confirm");
inline const QString PASSWD = QStringLiteral("passwd");
inline const QString ERROR_CODE = QStringLiteral("error_code");
inline const QString FINGO_PORT = QStringLiteral("fingo_port");
inline const QString SOURCE_HEIGHT = QStringLiteral("source_height");
inline const QString SOURCE_WIDTH = QStringLiteral("source_width");
inline const QString PORT = QStringLiteral("port");
inline const QString IP = QStringLiteral("ip");
inline const QString CAST = QStringLiteral("cast");
inline const QString SALUTATORY = QStringLiteral("salutatory");
inline const QString FILE_DISTRIBUTION = QStringLiteral("file_distribution");
inline const QString SERVER = QStringLiteral("server");
inline const QString CLIENT = QStringLiteral("client");
inline const QString NORMAL = QStringLiteral("normal");
inline const QString SECURE = QStringLiteral("secure");
inline const QString OPTION = QStringLiteral("option");
inline const QString FILE_DELETE = QStringLiteral("file_delete");
inline const QString THUMB = QStringLiteral("thumb");
inline const QString GET_THUMB = QStringLiteral("get_thumb");
inline const QString FILE_DOWNLOAD = QStringLiteral("file_download");
inline const QString FILE_OPEN = QStringLiteral("file_open");
inline const QString DATE_MODIFIED_DECREASE = QStringLiteral("date_modified_decrease");
inline const QString DATE_MODIFIED_INCREASE = QStringLiteral("date_modified_increase");
inline const QString FILE_SIZE_DECREASE = QStringLiteral("file_size_decrease");
inline const QString FILE_SIZE_INCREASE = QStringLiteral("file_size_increase");
inline const QString FILE_NAME_DECREASE = QStringLiteral("file_name_decrease");
inline const QString FILE_NAME_INCREASE = QStringLiteral("file_name_increase");
inline const QString SORT = QStringLiteral("sort");
inline const QString DIR = QStringLiteral("dir");
inline const QString FILE = QStringLiteral("file");
inline const QString DATE_MODIFIED = QStringLiteral("date_modified");
inline const QString FILE_TYPE = QStringLiteral("file_type");
inline const QString FINISHED = QStringLiteral("finished");
inline const QString KEY = QStringLiteral("key");
inline const QString FILE_PATH = QStringLiteral("file_path");
inline const QString FILE_LIST = QStringLiteral("file_list");
inline const QString FILE_UPLOAD = QStringLiteral("file_upload");
inline const QString TCP_PORT = QStringLiteral("tcp_port");
inline const QString MD5 = QStringLiteral("md5");
inline const QString FILE_SIZE = QStringLiteral("file_size");
inline const QString FILE_NAME = QStringLiteral("file_name");
inline const QString QUERY_RESULT = QStringLiteral("query_result");
inline const QString NOT_COMPLETE = QStringLiteral("not_complete");
inline const QString FAIL = QStringLiteral("fail");
inline const QString OK = QStringLiteral("ok");
inline const QString REASON = QStringLiteral("reason");
inline const QString RESULT = QStringLiteral("result");
inline const QString SESSION_ID = QStringLiteral("session_id");
inline const QString TYPE = QStringLiteral("type");
inline const QString SUPPORT = QStringLiteral("support");
inline const QString UUID = QStringLiteral("uuid");
inline const QString OS = QStringLiteral("os");
inline const QString V1_0 = QStringLiteral("v1.0");
inline const QString VERSION = QStringLiteral("version");
inline const QString NAME = QStringLiteral("name");

// The remote folder shown for uploads into the normal area.
inline const QString UPLOAD_FOLDER = QStringLiteral("/Tavlo/上传/");
// Separator between the scheme word and the name of a secure remote path.
inline const QString SECURE_PATH_SEPARATOR = QStringLiteral(":/");
// Extensions the file browser previews as images.
inline const QString IMAGE_EXTENSIONS = QStringLiteral(".bmp/.png/.jpg/.jpeg/.gif");

} // namespace Protocol

// Carries no operations of its own: it only gives the vocabulary a class home
// for code that wants one. The client creates no instance of it.
class ProtocolDefinedJsonObject : public QObject {
    Q_OBJECT
public:
    explicit ProtocolDefinedJsonObject(QObject* parent = nullptr)
        : QObject(parent) {}
};
