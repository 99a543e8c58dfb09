#pragma once
// The file-list flavour of the drag-and-drop component: it keeps a list of
// file names, reads it from dropped file-list data through its drop target,
// and offers it as such data through its data object.
#include <string>
#include <vector>

#include "viewer/DragDrop.h"

// The one format asked for and offered: the file list, content, any index,
// on a global memory block.
ole::FormatEtc FileListFormat();

class TDragDropFiles : public TDragDrop {
public:
    explicit TDragDropFiles(QObject* Owner = nullptr);

    // Full file names in the order of the dropped block; a name that occurs
    // twice stays twice.
    std::vector<std::string> FileList;

    // None when the list is empty.
    ole::Ref<ole::DataObject> CreateDataObject() override;
};

class TDropTargetFiles : public TDropTarget {
public:
    explicit TDropTargetFiles(TDragDropFiles* Owner) : TDropTarget(Owner), files_(Owner) {}

    // Accepts data that offer the file list.
    void CanAcceptData(ole::DataObject* Data, bool& Accept) override;
    // Reads the dropped list into FileList; data that cannot be read leave
    // the list as it was, a malformed block leaves it empty.
    void RenderDroppedData(ole::DataObject* Data, uint32_t KeyState, uint32_t Effect, QPoint Point) override;

private:
    TDragDropFiles* files_;
};

class TDataObjectFiles : public TDataObject {
public:
    explicit TDataObjectFiles(const std::vector<std::string>& List);

protected:
    ole::Result RenderData(const ole::FormatEtc& Format, ole::StorageMedium& Medium) override;

private:
    std::string stream_;  // the whole block
};
