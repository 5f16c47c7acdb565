#include "gui/ImageIndicator.h"

namespace gui {

ImageIndicatorBase::ImageIndicatorBase(common::Image* firstImage, int32_t dockMode) {
    InitAlignment(dockMode);
    if (firstImage != nullptr) {
        Append(firstImage);
    }
}

ImageIndicatorBase::~ImageIndicatorBase() {
    MarkDestroying();
    closing = true;
    masks.clear();
    images.clear();
}

void ImageIndicatorBase::ClearImages() {
    if (closing) {
        return;
    }
    masks.clear();
    images.clear();
    RefreshImage();
}

common::Image* ImageIndicatorBase::GetImage(int32_t index) const {
    if (closing || index < 0 || index >= ImageCount()) {
        return nullptr;
    }
    return images[static_cast<size_t>(index)].get();
}

common::IndexedImage1Bit* ImageIndicatorBase::GetMask(int32_t index) const {
    if (closing || index < 0 || index >= ImageCount()) {
        return nullptr;
    }
    return masks[static_cast<size_t>(index)].get();
}

bool ImageIndicatorBase::SetImage(common::Image* image, int32_t index) {
    if (closing || image == nullptr || index < 0 || index >= ImageCount()) {
        return false;
    }
    const auto slot = static_cast<size_t>(index);
    masks[slot] = image->MakeMonoImage(nullptr);
    if (images[slot].get() != image) {
        images[slot].reset(image);
    }
    if (index == current) {
        RefreshImage();
    }
    return true;
}

int32_t ImageIndicatorBase::AddImage(common::Image* image) {
    if (closing || image == nullptr) {
        return -1;
    }
    const int32_t index = Append(image);
    if (current == index) {
        RefreshImage();
    }
    return index;
}

int32_t ImageIndicatorBase::Append(common::Image* image) {
    images.emplace_back(image);
    masks.push_back(image->MakeMonoImage(nullptr));
    return ImageCount() - 1;
}

bool ImageIndicatorBase::SetCurrent(int32_t index) {
    if (index != current) {
        current = index;
        RefreshImage();
    }
    return index >= 0 && index < ImageCount();
}

} // namespace gui
