#include "ui/FailureText.h"

namespace {

QString withDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace

QString FailureText::of(const TransferFailure& failure) {
    const QString& detail = failure.detail;
    switch (failure.code) {
    case TransferFailure::None:
        return QString();
    case TransferFailure::ProgramEnding:
        return tr("程序正在退出, 传输已停止");
    case TransferFailure::Cancelled:
        return tr("已取消");
    case TransferFailure::LocalReadFailed:
        return withDetail(tr("无法读取本地文件"), detail);
    case TransferFailure::LocalWriteFailed:
        return withDetail(tr("无法写入本地文件"), detail);
    case TransferFailure::RequestNotBuilt:
        return tr("无法生成请求");
    case TransferFailure::RequestNotSent:
        return tr("无法发送请求");
    case TransferFailure::NoAnswer:
        return tr("设备没有应答");
    case TransferFailure::WrongSender:
        return tr("应答来自错误的地址或端口");
    case TransferFailure::NotJson:
        return tr("设备的应答无法解析");
    case TransferFailure::Refused:
        return detail.isEmpty() ? tr("设备拒绝了请求") : tr("设备拒绝了请求: %1").arg(detail);
    case TransferFailure::InvalidAnswer:
        return withDetail(tr("设备的应答无效"), detail);
    case TransferFailure::ConnectFailed:
        return withDetail(tr("无法建立数据连接"), detail);
    case TransferFailure::ConnectionBroken:
        if (failure.position >= 0)
            return withDetail(tr("连接在第 %1 字节处中断").arg(failure.position), detail);
        return withDetail(tr("连接中断"), detail);
    case TransferFailure::NoResumeOffset:
        return tr("设备没有发送续传位置");
    case TransferFailure::BadResumeOffset:
        return withDetail(tr("设备发送的续传位置无效"), detail);
    case TransferFailure::NotConfirmed:
        return tr("设备没有确认文件 (MD5 未确认)");
    case TransferFailure::Disputed:
        return withDetail(tr("设备认为文件有误"), detail);
    case TransferFailure::PeerDidNotFetch:
        return tr("对方没有取走文件");
    }
    return QString();
}
