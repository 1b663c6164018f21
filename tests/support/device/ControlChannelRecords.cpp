#include "ControlChannelRecords.h"

#include "ControlChannel.h"

namespace {

template<typename T>
QString rawRecord(const void *value)
{
    const auto &bytes = static_cast<const T *>(value)->bytes;
    return SignalRecorder::record(QByteArrayView(reinterpret_cast<const char *>(bytes.data()),
                                                 qsizetype(bytes.size())));
}

} // namespace

std::optional<QString> describeControlChannelRecord(QMetaType type, const void *value)
{
    if (type == QMetaType::fromType<ControlChannel::TimeDate>())
        return SignalRecorder::record(static_cast<const ControlChannel::TimeDate *>(value)->toBytes());
    if (type == QMetaType::fromType<ControlChannel::BoardInfo2>())
        return SignalRecorder::record(static_cast<const ControlChannel::BoardInfo2 *>(value)->toBytes());
    if (type == QMetaType::fromType<ControlChannel::WifiState>())
        return SignalRecorder::record(static_cast<const ControlChannel::WifiState *>(value)->toBytes());
    if (type == QMetaType::fromType<ControlChannel::WifiSettings>())
        return rawRecord<ControlChannel::WifiSettings>(value);
    if (type == QMetaType::fromType<ControlChannel::WifiIP>())
        return rawRecord<ControlChannel::WifiIP>(value);
    if (type == QMetaType::fromType<ControlChannel::WifiAPInfo>())
        return rawRecord<ControlChannel::WifiAPInfo>(value);
    if (type == QMetaType::fromType<ControlChannel::ImageDetails>())
        return rawRecord<ControlChannel::ImageDetails>(value);
    return std::nullopt;
}
