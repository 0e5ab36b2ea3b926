// The dialog-init resource of a dialog template (resource type 240, the
// template's id): lines that the dialog's list and combo boxes start with.
// Needs no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace karvex {

// The resource type of dialog-init data.
constexpr std::uint16_t kDialogInitType = 240;
// Messages as the resource stores them (their 16-bit numbers).
constexpr std::uint16_t kDialogInitListAdd = 0x0401;   // add a line to a list box
constexpr std::uint16_t kDialogInitComboAdd = 0x0403;  // add a line to a combo box

struct DIALOG_INIT_ITEM {
    std::uint16_t nControlId = 0;
    std::uint16_t nMessage = 0;
    std::string strText;  // up to the first NUL of the item's data
};

// Reads the records of `data` (`size` bytes): control id (16 bits, 0 ends the
// list), message (16 bits), data length (32 bits), data. Values are little
// endian and records are packed without alignment. Returns the records read;
// `complete` (when given) tells whether the list ended at its terminator
// rather than at a record that runs past the end of the data.
std::vector<DIALOG_INIT_ITEM> ParseDialogInit(const unsigned char* data, std::size_t size,
                                              bool* complete = nullptr);

}  // namespace karvex
