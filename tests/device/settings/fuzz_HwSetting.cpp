// Binds a row of each kind to a field the board filled, between guard bytes, and edits
// it with texts from the input. The input: a kind byte, a field-size byte, the field's
// bytes, then texts separated by NUL bytes (UTF-8, any bytes). Whatever the board sent
// and whatever was typed, the row shows text, stores only inside its field and keeps
// a String's terminator; a guard byte changed aborts.

#include "HwSetting.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

constexpr size_t Guard = 16;
constexpr uint8_t GuardByte = 0xA5;

const HwSetting::Type kinds[] = {HwSetting::String, HwSetting::IpAddress, HwSetting::Bool,   HwSetting::Int8,
                                 HwSetting::Uint8,  HwSetting::Int16,     HwSetting::Uint16, HwSetting::Int32,
                                 HwSetting::Uint32, HwSetting::Float};

size_t fieldSize(HwSetting::Type kind, uint8_t sizeByte)
{
    switch (kind) {
    case HwSetting::String:
        return 1 + sizeByte % 64;
    case HwSetting::IpAddress:
    case HwSetting::Int32:
    case HwSetting::Uint32:
    case HwSetting::Float:
        return 4;
    case HwSetting::Int16:
    case HwSetting::Uint16:
        return 2;
    default:
        return 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qInstallMessageHandler(discardMessages);
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const HwSetting::Type kind = kinds[data[0] % std::size(kinds)];
    const size_t length = fieldSize(kind, data[1]);
    data += 2;
    size -= 2;

    uint8_t record[Guard + 64 + Guard];
    std::memset(record, GuardByte, sizeof record);
    uint8_t *field = record + Guard;
    const size_t filled = std::min(length, size);
    std::memcpy(field, data, filled);
    data += filled;
    size -= filled;

    HwSetting *row = nullptr;
    if (kind == HwSetting::String)
        row = new HwSetting(nullptr, QStringLiteral("Password"), reinterpret_cast<char *>(field), int(length), true,
                            nullptr, nullptr);
    else
        row = new HwSetting(nullptr, QStringLiteral("Row"), kind, field, nullptr, nullptr, -100, 100, 2);
    (void)row->getStringValue();

    const auto *text = reinterpret_cast<const char *>(data);
    const auto *end = text + size;
    while (text < end) {
        const auto *stop = static_cast<const char *>(std::memchr(text, '\0', size_t(end - text)));
        const auto *next = stop ? stop : end;
        const QString typed = QString::fromUtf8(text, next - text);
        if (kind == HwSetting::Bool)
            row->boolValueUpdated(!typed.isEmpty());
        else
            row->editingTextChanged(typed);
        if (kind == HwSetting::String && std::memchr(field, '\0', length) == nullptr)
            std::abort(); // the text lost its terminator
        text = next + 1;
    }
    row->acceptChanges();
    row->discardChanges();
    delete row;

    for (size_t i = 0; i < sizeof record; ++i)
        if ((i < Guard || i >= Guard + length) && record[i] != GuardByte)
            std::abort(); // written outside the field
    return 0;
}
