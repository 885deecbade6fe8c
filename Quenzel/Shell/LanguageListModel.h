#pragma once
// CLanguageListModel: the rows of the language page and what the user does
// to them before the options dialog is saved. Each row is a GridRow: the
// third cell holds the language id and the name (as shown and as loaded),
// the fourth cell the code, the flag GRIDROW_RIGHT_TO_LEFT the reading
// order and the second text the flag picture chosen for the language.
//
// A flag chosen on the page lives in the page's own copy of the flag
// pictures until Save: the application's cache, which every other window
// draws from, is rebuilt from the database after the languages are
// written, so a cancelled page leaves every flag as it was.

#include <QImage>

#include <map>
#include <memory>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Quenzel/Model/ShellRecords.h"

class CAbstractDataBase;

class CLanguageListModel {
public:
    // Columns of the list.
    enum { ColumnName = 0, ColumnRightToLeft = 1, ColumnCode = 2 };

    // One row per language; the flags are copied.
    void Load(const std::vector<LanguageRecord>& languages, const std::map<int, QImage>& flags);

    int GetCount() const { return static_cast<int>(m_rows.size()); }
    GridRow* GetRow(int index) const;
    // A new row without an id.
    GridRow* AddRow(const wchar_t* name, const wchar_t* code);

    // The name (ColumnName) or the code (ColumnCode) becomes text; true when
    // it differs from the loaded text, ignoring case.
    bool SetText(GridRow& row, int column, const wchar_t* text);
    void ToggleRightToLeft(GridRow& row);

    // The flag of the language id, the page's copy; null when none.
    const QImage* FindFlag(int languageId) const;
    // A valid image becomes the row's flag and path the picture stored with
    // it at Save; false (nothing changes) for an invalid image.
    bool SetPicture(GridRow& row, const wchar_t* path, const QImage& image);
    // The PNG file's picture; a null image when it is no readable PNG.
    static QImage LoadFlagFile(const wchar_t* path);

    // Removes the rows in turn. A row with an id that a vocabulary list uses
    // stops the removal there: its name comes back in blockedBy. Rows
    // without an id are skipped. The number removed.
    int Remove(const std::vector<GridRow*>& rows, CAbstractDataBase& database, CBasicString& blockedBy);
    const std::vector<int>& GetRemovedIds() const { return m_removed; }

    // Writes the changes: the removed languages, then every row (an update
    // of a row with an id, an addition of one without), then the component
    // reloads its languages. A failing write is reported and ends its step.
    // False when the data file could not be written: what was not stored
    // stays to be applied again.
    bool Apply(CAbstractDataBase& database);

    // The language record of a row, for UpdateLanguage.
    static LanguageRecord ToRecord(const GridRow& row);

private:
    std::vector<std::unique_ptr<GridRow>> m_rows;
    std::vector<int> m_removed;
    std::map<int, QImage> m_flags;
};
