#pragma once

// The list-view messages the layer's list code answers, and the item record
// that sets a row's highlight. Feature code uses the typed operations of ez.h instead; nothing
// outside src/platform/gui includes this file.

namespace gui::layer {

constexpr int LVM_GETITEMCOUNT = 0x1004;
constexpr int LVM_SETITEM = 0x1006;
constexpr int LVM_GETNEXTITEM = 0x100C;
constexpr int LVM_ENSUREVISIBLE = 0x1013;
constexpr int LVM_GETSELECTEDCOUNT = 0x1032;
constexpr int LVNI_SELECTED = 2;
constexpr unsigned LVIF_STATE = 8;
constexpr unsigned LVIS_SELECTED = 2;

struct LVITEM {
    unsigned mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    unsigned state = 0;
    unsigned stateMask = 0;
};

}  // namespace gui::layer
