// Files dropped on the viewer's panel: the first one is shown when it is a
// TIFF file.
#include "platform/StrUtils.h"
#include "viewer/DragDropFiles.h"
#include "viewer/Imaging.h"
#include "viewer/viewer.h"

namespace leafor {

namespace {

// The extension of a file name: from its last dot on, when that dot is in
// the name's last part.
std::string ExtractFileExt(const std::string& Name) {
    const std::size_t dot = Name.rfind('.');
    if (dot == std::string::npos) return "";
    const std::size_t slash = Name.rfind('/');
    if (slash != std::string::npos && slash > dot) return "";
    return Name.substr(dot);
}

}  // namespace

void TFormMain::CreateDragDrop() {
    DragDropFiles1 = new TDragDropFiles(this);
    DragDropFiles1->setObjectName("DragDropFiles1");
    DragDropFiles1->BeginLoading();
    DragDropFiles1->AutoDetectDnD = true;
    DragDropFiles1->AcceptOwnDnD = false;
    DragDropFiles1->BringToFront = false;
    DragDropFiles1->SourceCompatibility = 0;
    DragDropFiles1->SetSourceEffects(0);
    DragDropFiles1->TargetPopUpMenu = true;
    DragDropFiles1->SetTargetEffects(deCopy | deMove);
    DragDropFiles1->RenderDataOn = TRenderDataOn::rdoEnterAndDropSync;
    DragDropFiles1->SetDragDropControl(Panel1);
    DragDropFiles1->OnDragEnter = [this](TDragDrop*, ole::DataObject* Data, uint32_t KeyState, QPoint Point,
                                         uint32_t& Effect, bool& Accept) {
        DragDropFiles1DragEnter(Data, KeyState, Point, Effect, Accept);
    };
    DragDropFiles1->OnProcessDropped = [this](TDragDrop*, uint32_t KeyState, QPoint Point, uint32_t Effect) {
        DragDropFiles1ProcessDropped(KeyState, Point, Effect);
    };
    DragDropFiles1->Loaded();
}

void TFormMain::DragDropFiles1DragEnter(ole::DataObject*, uint32_t, QPoint, uint32_t&, bool& Accept) {
    // The list was read from the data when the drag entered. Data without a
    // file list leave the list of an earlier drop in place, so only data
    // that the target accepted count.
    const std::vector<std::string>& list = DragDropFiles1->FileList;
    Accept = Accept && !list.empty() && UpperCase(ExtractFileExt(list.front())) == ".TIF";
}

void TFormMain::DragDropFiles1ProcessDropped(uint32_t, QPoint, uint32_t) {
    if (DragDropFiles1->FileList.empty()) return;
    const std::string dropped = DragDropFiles1->FileList.front();
    // The dropped file is never taken away, even when it is the temporary
    // file itself.
    ReleaseTemporaryFile(dropped);
    ImgAdmin1->SetImage(dropped);
    ShowFile();
}

}  // namespace leafor
