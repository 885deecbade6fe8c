#pragma once
// CAbstractItemVisitor: walks a tree of file-system items with
// CFileItemInfo::VisitChildren.

class CFileItemInfo;

class CAbstractItemVisitor {
public:
    virtual ~CAbstractItemVisitor() {}
    // Non-zero when the item is taken; its own children are then walked if
    // KeepVisiting says so.
    virtual int AcceptItem(CFileItemInfo* item) = 0;
    // Non-zero to walk the children of the item just taken.
    virtual int KeepVisiting() = 0;
};
