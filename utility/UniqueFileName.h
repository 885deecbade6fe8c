#pragma once
// KVX::CUniqueFileName: gives the items of a tree of file-system items
// (CFileItemInfo) names that keep to a restricted naming scheme and are
// unique among their siblings. Source of its reports: ".\UniqueFileName".
//
// Modes: 1 short names (a base of at most 8 characters and an extension of
// at most 3, from the character set of the interchange level), 2 names of at
// most 31 characters from the same sets, 3 long names (the options' longest
// name, 108 by default) in which only ten characters are forbidden: " / : *
// ? < > \ | ; (the semicolon is allowed where the options say so). Mode 0
// stands for the item's own name.
//
// Character sets of modes 1 and 2 by level:
//   0  digits, upper-case letters and '_'   (names are upper-cased)
//   1  " !#$%&'()+,-.0123456789=@A-Z[]^_`a-z{}~"
//   2  "!#$%&'()-.0123456789@A-Z^_`{}~"      (names are upper-cased)
//   3  the printable ASCII characters '!' to '~'
// Any other level counts as level 0.
//
// A parent keeps, in its second flag word, a bit per mode (1, 2, 4) that
// tells that its children were named together. Naming an item whose parent
// lacks the bit sets it and names all the parent's children at once;
// otherwise only the item is named against its siblings. Only mode 3 keeps
// its names (as the items' unique names) and mode 0 (as their names): the
// items keep no names of modes 1 and 2, so naming in those modes computes
// the names and reports an assertion for each (the items' mode-1 and
// mode-2 name operations report one as well).

#include <string>

#include "compat/WinTypes.h"
#include "utility/BinarySearchTree.h"

class CFileItemInfo;

namespace KVX {

class CAbstractUniqueFileName;

class CUniqueFileName {
public:
    CUniqueFileName() = default;
    virtual ~CUniqueFileName() = default;
    CUniqueFileName(const CUniqueFileName&) = delete;
    CUniqueFileName& operator=(const CUniqueFileName&) = delete;

    // Folders at most 8 characters (32 for an item without parent), bases 8,
    // extensions 3.
    void NameForMode1(CFileItemInfo* item);
    // Folders and names at most 31 characters (folders 32 without parent),
    // extensions 3.
    void NameForMode2(CFileItemInfo* item);
    // Folders and names at most the options' longest name for mode 3 (64
    // when the item has no options, which is an assertion report),
    // extensions 3.
    void NameForMode3(CFileItemInfo* item);

    // Modes 1 and 2: the level the options give and its character set; mode
    // 3: the forbidden set. -> 1; without options an assertion report, level
    // 0 and 1; any other mode an assertion report and 0.
    int SelectCharacterSet(CAbstractUniqueFileName* options, int mode);
    // Modes 1 and 2: a character beyond ASCII becomes its base letter
    // (except at level 2), then every character outside the set becomes
    // '_'. Mode 3: every character up to 15 and every forbidden one becomes
    // '_'.
    void NormalizeName(std::wstring& text, int mode);
    // Cuts and normalizes a name for the current mode and the item (folder
    // or file, base and extension).
    void ShortenName(std::wstring& text, CFileItemInfo* item);
    // The name with number (from 1) worked in so that it keeps to the
    // current mode's lengths: "ABCDEFGH.TXT" and 12 give "ABCDEF12.TXT" in
    // mode 1, "Notes_1.txt" and 2 give "Notes_12.txt" in mode 3.
    void MakeNumberedName(const std::wstring& name, int number, int isFolder, std::wstring& out);
    // The name, or the first numbered form of it, that the name counter has
    // not seen before (names compare exactly).
    std::wstring MakeUniqueInSet(const std::wstring& name, int isFolder);
    // Whether another child of the item's parent (for an item without
    // parent: another item after it in its sibling chain) has that name in
    // the mode, without regard to case.
    bool IsNameUsedBySibling(const wchar_t* name, CFileItemInfo* item, int mode);
    // Stores the name, or the first numbered form (2, 3, ...) no sibling
    // uses, as the item's name of the current mode.
    void ApplyUniqueName(std::wstring name, CFileItemInfo* item);

private:
    void SetLimits(int folderMax, int baseMax);
    // Names in mode 1 or 2 with these limits.
    void NameShort(CFileItemInfo* item, int mode, int folderMax, int baseMax);
    void Name(CFileItemInfo* item, DWORD namedBit);
    void NameChildren(CFileItemInfo* parent);
    void NameOne(CFileItemInfo* item);
    void CutAndNormalize(std::wstring& text, int max);

    CBinarySearchTree m_counter;
    int m_mode = 0;
    int m_folderMax = 0;
    int m_baseMax = 0;
    int m_extMax = 0;
    // The allowed characters (modes 1 and 2) or the forbidden ones (mode 3).
    std::wstring m_characters;
    int m_level = 0;
};

} // namespace KVX

// 1 when ch is in the level's set; another level is an assertion report
// and uses the level-0 set.
int IsCharInLevelSet(wchar_t ch, int level);
// With naming system 1 or 2 of the options the level set decides; else 1
// for a character above 15 that mode 3 does not forbid. Null options are
// an assertion report and 0.
int IsCharAllowed(wchar_t ch, KVX::CAbstractUniqueFileName* options);
// 1 when every character of the narrow (Windows-1252) text is allowed.
int IsTextAllowed(const char* text, KVX::CAbstractUniqueFileName* options);
