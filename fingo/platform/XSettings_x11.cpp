#include "platform/XSettings_x11.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace Fingo {

namespace {

constexpr unsigned kDefaultDoubleClickTime = 500;
// Longest settings property read, in 32-bit units.
constexpr std::uint32_t kPropertyLength = 64 * 1024;

enum SettingType : unsigned char { IntegerSetting = 0, StringSetting = 1, ColorSetting = 2 };

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Bounds-checked reads in the byte order the property declares.
class PropertyReader {
public:
    PropertyReader(const unsigned char* data, std::size_t size)
        : m_data(data)
        , m_size(size) {}

    bool has(std::size_t count) const { return count <= m_size - m_position; }
    void setBigEndian(bool bigEndian) { m_bigEndian = bigEndian; }
    void skip(std::size_t count) { m_position += count; }
    const unsigned char* here() const { return m_data + m_position; }

    std::uint32_t read(std::size_t width) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = m_bigEndian ? i : width - 1 - i;
            value = (value << 8) | m_data[m_position + index];
        }
        m_position += width;
        return value;
    }

private:
    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
    bool m_bigEndian = false;
};

std::size_t paddedTo4(std::size_t length) {
    return (length + 3) / 4 * 4;
}

xcb_atom_t existingAtom(xcb_connection_t* connection, const std::string& name) {
    const auto cookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str());
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

} // namespace

XSettings::XSettings() {
    xcb_connection_t* connection = xcb_connect(nullptr, &m_screen);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return;
    }
    m_connection = connection;
}

XSettings::~XSettings() {
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
}

unsigned XSettings::doubleClickTime() {
    const std::optional<int> published = readInteger("Net/DoubleClickTime");
    if (published && *published > 0)
        return static_cast<unsigned>(*published);
    return kDefaultDoubleClickTime;
}

std::optional<int> XSettings::readInteger(const std::string& name) {
    if (m_connection == nullptr || xcb_connection_has_error(m_connection) != 0)
        return std::nullopt;
    const xcb_atom_t selection =
        existingAtom(m_connection, "_XSETTINGS_S" + std::to_string(m_screen));
    const xcb_atom_t property = existingAtom(m_connection, "_XSETTINGS_SETTINGS");
    if (selection == XCB_ATOM_NONE || property == XCB_ATOM_NONE)
        return std::nullopt;
    Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, selection), nullptr));
    if (!owner || owner->owner == XCB_WINDOW_NONE)
        return std::nullopt;
    // The owner may vanish meanwhile: the error then arrives as a null reply.
    xcb_generic_error_t* error = nullptr;
    Reply<xcb_get_property_reply_t> value(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 0, owner->owner, property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kPropertyLength),
                               &error));
    std::free(error);
    if (!value || value->format != 8)
        return std::nullopt;
    return integerSetting(static_cast<const unsigned char*>(xcb_get_property_value(value.get())),
                          static_cast<std::size_t>(xcb_get_property_value_length(value.get())),
                          name);
}

std::optional<int> XSettings::integerSetting(const unsigned char* data, std::size_t size,
                                             const std::string& name) {
    PropertyReader reader(data, size);
    // Header: byte order, 3 unused bytes, serial, number of settings.
    if (!reader.has(12))
        return std::nullopt;
    reader.setBigEndian(data[0] != 0);
    reader.skip(8);
    const std::uint32_t count = reader.read(4);
    for (std::uint32_t i = 0; i < count; ++i) {
        // Setting: type, 1 unused byte, name length, name (padded), serial, value.
        if (!reader.has(4))
            return std::nullopt;
        const unsigned char type = *reader.here();
        reader.skip(2);
        const std::size_t nameLength = reader.read(2);
        if (!reader.has(paddedTo4(nameLength) + 4))
            return std::nullopt;
        const std::string settingName(reinterpret_cast<const char*>(reader.here()), nameLength);
        reader.skip(paddedTo4(nameLength) + 4);
        switch (type) {
        case IntegerSetting: {
            if (!reader.has(4))
                return std::nullopt;
            const auto value = static_cast<std::int32_t>(reader.read(4));
            if (settingName == name)
                return value;
            break;
        }
        case StringSetting: {
            if (!reader.has(4))
                return std::nullopt;
            const std::size_t length = reader.read(4);
            if (!reader.has(paddedTo4(length)))
                return std::nullopt;
            reader.skip(paddedTo4(length));
            break;
        }
        case ColorSetting:
            if (!reader.has(8))
                return std::nullopt;
            reader.skip(8);
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace Fingo
