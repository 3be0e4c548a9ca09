// The numbers of the "TreeList" window class that the Windows headers do not
// know: its own messages, its extended styles, the extra bits it reads in the
// standard tree-view structures, and its own notifications. Everything else
// (TVM_INSERTITEMA, TVIF_TEXT, TVN_ENDLABELEDITA ...) keeps the standard
// tree-view number and structure, so a client can talk to the control as to
// a tree view and add columns on top.
//
// Plain constants, no Windows header: the portable model uses them too.
#pragma once
#include <cstdint>

// ---- The control's own messages (wParam / lParam as noted) -----------------

constexpr unsigned TLM_SETCOLUMNIMAGEBASE = 0x1149;  // column / first image
constexpr unsigned TLM_SETCOLUMNEDIT = 0x114A;       // packed settings / choice list
constexpr unsigned TLM_GETUSERDATA = 0x114C;         // 0 / item
constexpr unsigned TLM_GETUSERDATASIZE = 0x114D;     // 0 / 0
constexpr unsigned TLM_SETUSERDATASIZE = 0x114E;     // 0 / size, only while empty
constexpr unsigned TLM_GETCOLUMNWIDTH = 0x114F;      // column / 0
constexpr unsigned TLM_SETCOLUMNWIDTH = 0x1150;      // column / width
constexpr unsigned TLM_GETCOLUMN = 0x1151;           // column / LVCOLUMNA-shaped
constexpr unsigned TLM_SETCOLUMN = 0x1152;           // column / LVCOLUMNA-shaped
constexpr unsigned TLM_GETROWOFITEM = 0x1153;        // 0 / item -> 0-based row or -1
constexpr unsigned TLM_GETROWCOUNT = 0x1154;
constexpr unsigned TLM_GETITEMOFROW = 0x1155;        // 0 / 0-based row
constexpr unsigned TLM_GETITEMTEXTCOLOR = 0x1156;    // item / column
constexpr unsigned TLM_SETITEMTEXTCOLOR = 0x1157;    // item | column << 24 / colour or -1
constexpr unsigned TLM_GETITEMBKCOLOR = 0x1158;      // item / column
constexpr unsigned TLM_SETITEMBKCOLOR = 0x1159;      // item | column << 24 / colour or -1
constexpr unsigned TLM_SELECTCELL = 0x115B;          // column / item
constexpr unsigned TLM_INSERTCOLUMN = 0x115C;        // position / LVCOLUMNA-shaped
constexpr unsigned TLM_DELETECOLUMN = 0x115D;        // column / 0
constexpr unsigned TLM_GETCOLUMNCOUNT = 0x115E;
constexpr unsigned TLM_GETHEADER = 0x115F;
// Reserved numbers this program never uses; the control answers them with 0.
constexpr unsigned TLM_FIRST_RESERVED = 0x1143;
constexpr unsigned TLM_LAST_RESERVED = 0x1148;
constexpr unsigned TLM_RESERVED_114B = 0x114B;
constexpr unsigned TLM_RESERVED_115A = 0x115A;

// ---- Extended styles (TVM_SETEXTENDEDSTYLE) --------------------------------

constexpr uint32_t TLS_EX_MULTISELECT = 0x00001000;
constexpr uint32_t TLS_EX_NOHSCROLL = 0x00002000;
constexpr uint32_t TLS_EX_ODDHEIGHT = 0x00004000;   // keep odd TVM_SETITEMHEIGHT values
constexpr uint32_t TLS_EX_STATEBIT = 0x00008000;    // check boxes toggle state bit 0x1000
constexpr uint32_t TLS_EX_GRIDLINES = 0x00010000;
constexpr uint32_t TLS_EX_ALTROWS = 0x00020000;
constexpr uint32_t TLS_EX_CELLSELECT = 0x00040000;
constexpr uint32_t TLS_EX_ROWMARK = 0x00080000;     // selected rows in colour slots 8/9
constexpr uint32_t TLS_EX_CELLTIPS = 0x00100000;
constexpr uint32_t TLS_EX_NOSEARCH = 0x00400000;
constexpr uint32_t TLS_EX_HIDEHEADER = 0x01000000;
constexpr uint32_t TLS_EX_REPAINTBIT = 0x04000000;
constexpr uint32_t TLS_EX_OWNLISTSONLY = 0x20000000; // destroy only self-made image lists
constexpr uint32_t TLS_EX_EDITCLICK = 0x40000000;    // second click opens the editor

// ---- Extra bits in the standard structures ---------------------------------

constexpr uint32_t TVIF_CELL = 0x8000;           // TVITEMA: cChildren holds a column
constexpr uint32_t TVIF_TEXTPTR = 0x80000000;    // TVITEMA: hand out the own text pointer
constexpr uint32_t TVIF_EDITBYCHAR = 0x20000000; // end of edit: started by a typed char
constexpr uint32_t TVIF_EDITBYRETURN = 0x10000000; // end of edit: committed with Return
constexpr uint32_t TLIS_READONLY = 0x8000;       // item/cell state: not editable (flag 0x20)
constexpr uint32_t TLIS_UNCHECKED = 0x1000;
constexpr uint32_t TLIS_CHECKED = 0x2000;

// Insert-after values beyond TVI_ROOT/FIRST/LAST/SORT.
constexpr uint32_t TLI_AFTERPARENT = 0xFFFF0005;  // sibling after the given parent
constexpr uint32_t TLI_BEFOREPARENT = 0xFFFF0006; // sibling before the given parent
constexpr uint32_t TLI_SORTEX = 0xFFFF0007;       // sorted with the function in hItem
constexpr uint32_t TLI_ROWBASE = 0xFFE00000;      // + n: after the n-th child
constexpr uint32_t TLI_ROWLIMIT = 0x100000;

// TVM_EDITLABELA: wParam = column | kind << 29, or this + column to ask the parent.
constexpr uint32_t TLE_ASKPARENT = 0xF5A5A500;
// TVM_GETITEMRECT: wParam bits 2..7 equal to 0x80 ask for a cell named in bits 24..31.
constexpr uint32_t TLR_CELL = 0x80;

// Column structure (LVCOLUMNA layout): mask bits and format bits.
constexpr uint32_t TLCF_FMT = 0x0001;
constexpr uint32_t TLCF_WIDTH = 0x0002;
constexpr uint32_t TLCF_TEXT = 0x0004;
constexpr uint32_t TLCF_WEIGHT = 0x0008;
constexpr uint32_t TLCF_IMAGE = 0x0010;
constexpr uint32_t TLCF_MINWIDTH = 0x0020;
constexpr uint32_t TLCF_MARK = 0x80000000;
constexpr uint32_t TLCF_FIXED = 0x40000000;
constexpr uint32_t TLCFMT_MARK = 0x10000000;
constexpr uint32_t TLCFMT_FIXED = 0x20000000;
constexpr int TLC_DEFAULT_MINWIDTH = 16;

// ---- Column edit settings (TLM_SETCOLUMNEDIT) ------------------------------

// wParam = flags | mode << 8 | column << 11 | separator << 17 | count << 25.
constexpr uint32_t TlEditSettings(unsigned column, unsigned mode, unsigned flags,
                                  unsigned separator = 0, unsigned count = 0) {
  return (flags & 0xFF) | (mode & 7) << 8 | (column & 0x3F) << 11 |
         (separator & 0xFF) << 17 | (count & 0x7F) << 25;
}

enum TlEditMode : unsigned {
  TLM_EDITNONE = 0,    // edits only through TVN_CELLEDITREQUEST
  TLM_EDITBOX = 1,
  TLM_EDITCOMBO = 2,   // drop-down combo box with an edit field
  TLM_EDITLIST = 3,    // drop-down list combo box
  TLM_EDITSTEP = 4,    // a click steps to the next choice (4 and 5)
  TLM_EDITCHECK = 6,   // as 4/5 and toggles the check box (6 and 7)
};

constexpr unsigned TLE_AUTONEXT = 0x01;   // Return after a change moves down a row
constexpr unsigned TLE_DBLCLICK = 0x02;   // double click opens the editor
constexpr unsigned TLE_STRINGARRAY = 0x08;
constexpr unsigned TLE_NOCHARS = 0x10;    // typed characters do not open the editor
constexpr unsigned TLE_READONLYBIT = 0x20; // state bit 0x8000 blocks editing
constexpr unsigned TLE_DROPNOW = 0x80;

// ---- Notifications beyond the standard ones --------------------------------

constexpr int TVN_CELLTIP = -432;
constexpr int TVN_CHECKCHANGED = -433;
constexpr int TVN_CELLEDITREQUEST = -435;
constexpr int TLN_SINGLEEXPAND = -415;

// ---- Hit-test flags beyond the standard ones (column in bits 24..31) -------

constexpr uint32_t TLHT_ONCELLICON = 0x00200000;
constexpr uint32_t TLHT_ONCELLLABEL = 0x00100000;
constexpr uint32_t TLHT_ONCELLRIGHT = 0x00400000;
constexpr uint32_t TLHT_RIGHTOFCOLUMNS = 0x00800000;

// ---- The in-place editor ---------------------------------------------------

constexpr int TL_EDITOR_ID = 3;
constexpr unsigned TL_EDITOR_RETURN = 0x1578;  // WM_COMMAND code: commit
constexpr unsigned TL_EDITOR_ESCAPE = 0x1579;  // WM_COMMAND code: cancel
constexpr unsigned TL_EDITOR_SETTEXT = 0x1000; // WM_COMMAND code: text replaced
constexpr unsigned TL_TOOLTIP_TIMER = 0x3912;
