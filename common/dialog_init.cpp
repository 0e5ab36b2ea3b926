#include "common/dialog_init.h"

#include <cstring>

namespace karvex {

namespace {

std::uint32_t ReadLittleEndian(const unsigned char* p, std::size_t bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = bytes; i > 0; --i)
        value = value << 8 | p[i - 1];
    return value;
}

}  // namespace

std::vector<DIALOG_INIT_ITEM> ParseDialogInit(const unsigned char* data, std::size_t size, bool* complete)
{
    std::vector<DIALOG_INIT_ITEM> items;
    bool ended = false;
    std::size_t pos = 0;
    while (data != nullptr && size - pos >= 2) {
        const auto id = static_cast<std::uint16_t>(ReadLittleEndian(data + pos, 2));
        if (id == 0) {
            ended = true;
            break;
        }
        if (size - pos < 8)
            break;
        const auto message = static_cast<std::uint16_t>(ReadLittleEndian(data + pos + 2, 2));
        const std::uint32_t length = ReadLittleEndian(data + pos + 4, 4);
        pos += 8;
        if (length > size - pos)
            break;
        const auto* text = reinterpret_cast<const char*>(data + pos);
        const void* nul = std::memchr(text, '\0', length);
        const std::size_t textLength =
            nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
        DIALOG_INIT_ITEM item;
        item.nControlId = id;
        item.nMessage = message;
        item.strText.assign(text, textLength);
        items.push_back(std::move(item));
        pos += length;
    }
    if (complete != nullptr)
        *complete = ended;
    return items;
}

}  // namespace karvex
