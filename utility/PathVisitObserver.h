#pragma once
// PathVisitObserver: told of each path a folder walk visits (FolderSearch.h).

class PathVisitObserver {
public:
    virtual ~PathVisitObserver() {}
    virtual void VisitPath(const wchar_t* path) = 0;
};
