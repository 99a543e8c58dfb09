#pragma once
// The administration control of the imaging library: the file dialogs and
// the print dialog, through the user interface of the hosting program.
#include "viewer/Imaging.h"

namespace imaging {

class TImgAdminControl : public TImgAdmin {
public:
    std::string Filter() const override { return filter_; }
    void SetFilter(const std::string& Value) override { filter_ = Value; }
    std::string Image() const override { return image_; }
    void SetImage(const std::string& Value) override { image_ = Value; }
    std::string DefaultExt() const override { return defaultExt_; }
    void SetDefaultExt(const std::string& Value) override { defaultExt_ = Value; }
    std::string InitDir() const override { return initDir_; }
    void SetInitDir(const std::string& Value) override { initDir_ = Value; }
    int16_t PrintRangeOption() const override { return rangeOption_; }
    int32_t PrintStartPage() const override { return startPage_; }
    int32_t PrintEndPage() const override { return endPage_; }

    void AskPrintOptions() override;
    void AskFileName(int16_t Kind, int32_t ParentWindow) override;

    // What a cancelled dialog raises.
    static constexpr const char* CancelText = "The dialog was cancelled.";

private:
    std::string filter_;
    std::string image_;
    std::string defaultExt_;
    std::string initDir_;
    int16_t rangeOption_ = 0;
    int32_t startPage_ = 1;
    int32_t endPage_ = 1;
};

}  // namespace imaging
