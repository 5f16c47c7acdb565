// A small control that shows one image of a list, chosen by index (a drive's state icons). Each image keeps a
// 1-bit mask made from its own transparent colour, so that it is drawn with transparency.
#pragma once

#include "gui/ControlBase.h"

#include "common/IndexedImage.h"

#include <memory>
#include <vector>

namespace gui {

class ImageIndicator : public virtual Control {
public:
    virtual void ClearImages() = 0;
    // Null outside the list.
    virtual common::Image* GetImage(int32_t index) const = 0;
    // On success the indicator owns the image (and deletes the one it replaces); false for null or an index
    // outside the list, the caller keeping the image.
    virtual bool SetImage(common::Image* image, int32_t index) = 0;
    // The new image's index, or -1 for null (the caller keeps nothing to own).
    virtual int32_t AddImage(common::Image* image) = 0;
    // Stores the index even outside the list (then nothing shows); true when it lies in the list.
    virtual bool SetCurrent(int32_t index) = 0;
    virtual int32_t GetCurrent() const = 0;
    virtual void RefreshImage() = 0;
};

class ImageIndicatorBase : public virtual ImageIndicator, public virtual ControlBase {
public:
    void ClearImages() override;
    common::Image* GetImage(int32_t index) const override;
    bool SetImage(common::Image* image, int32_t index) override;
    int32_t AddImage(common::Image* image) override;
    bool SetCurrent(int32_t index) override;
    int32_t GetCurrent() const override { return current; }
    void RefreshImage() override {}

    // The mask of an image, null where it has none or the index lies outside the list.
    common::IndexedImage1Bit* GetMask(int32_t index) const;
    int32_t ImageCount() const { return static_cast<int32_t>(images.size()); }

protected:
    // A first image is added as AddImage adds it.
    ImageIndicatorBase(common::Image* firstImage, int32_t dockMode);
    ~ImageIndicatorBase() override;

private:
    // Appends the image and its mask; the new index.
    int32_t Append(common::Image* image);

    std::vector<std::unique_ptr<common::Image>> images;
    std::vector<std::unique_ptr<common::IndexedImage1Bit>> masks;
    bool closing = false;
    int32_t current = 0;
};

} // namespace gui
