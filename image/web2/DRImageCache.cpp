#include "image/web2/DRImageCache.h"

#include "base/utility/DRDispatchQueuePool.h"
#include "image/codec/DRImage.h"
#include "image/codec/DRImageDecoder.h"
#include "image/codec/Image+DRImageCoder.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/files/Paths.h"
#include "platform/foundation/serialization/KeyedArchiver.h"
#include "platform/foundation/serialization/KeyedUnarchiver.h"
#include "platform/foundation/values/Data.h"
#include "platform/foundation/values/Number.h"
#include "platform/graphics/Image.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/view/Screen.h"

namespace image {

namespace {

double mainScreenScale() {
  auto screen = ui::Screen::mainScreen();
  return screen && screen->scale() > 0 ? screen->scale() : 1;
}

Ref<fd::Data> scaleArchive(double scale) {
  return fd::KeyedArchiver::archivedDataWithRootObject(fd::Number::numberWithDouble(scale));
}

}  // namespace

RT_IMPLEMENT(DRImageCache) {}

Ref<DRImageCache> DRImageCache::sharedCache() {
  static Ref<DRImageCache> shared = create(
      fd::cachesDirectory().stringByAppendingPathComponent("com.kestrum.durar").stringByAppendingPathComponent("images"));
  return shared;
}

void DRImageCache::init() {
  rt::raise("DRImageCache init error", "DRImageCache must be initialized with a path. Use 'initWithPath:' instead.");
}

bool DRImageCache::init(const fd::String& path) {
  auto memory = rt::make<cache::DRMemoryCache>();
  auto disk = cache::DRDiskCache::cacheWithPath(path);
  if (!memory || !disk) return false;
  memory->shouldRemoveAllObjectsOnMemoryWarning = true;
  memory->shouldRemoveAllObjectsWhenEnteringBackground = true;
  memory->countLimit = UINT64_MAX;
  memory->costLimit = UINT64_MAX;
  memory->ageLimit = 12 * 60 * 60;
  // The bytes are stored as they are: no archiver wraps them.
  disk->setCustomArchiveBlock([](const rt::Id& object) { return rt::as<fd::Data>(object); });
  disk->setCustomUnarchiveBlock([](const Ref<fd::Data>& data) -> rt::Id { return data; });
  memory_ = std::move(memory);
  disk_ = std::move(disk);
  return true;
}

fd::String DRImageCache::name() const {
  std::lock_guard lock(nameMutex_);
  return name_;
}

void DRImageCache::setName(fd::String name) {
  std::lock_guard lock(nameMutex_);
  name_ = std::move(name);
}

uint64_t DRImageCache::imageCost(const Ref<gfx::Image>& image) const {
  if (!image || !image->CGImage()) return 1;
  const double cost = double(image->CGImage()->height()) * double(image->CGImage()->bytesPerRow());
  return cost > 0 ? uint64_t(cost) : 1;
}

Ref<gfx::Image> DRImageCache::imageFromData(const Ref<fd::Data>& data) const {
  if (!data) return nullptr;
  double scale = 0;
  if (auto extended = cache::DRDiskCache::getExtendedDataFromObject(data)) {
    if (auto number = rt::as<fd::Number>(fd::KeyedUnarchiver::unarchiveObjectWithData(extended)))
      scale = number->doubleValue();
  }
  if (!(scale > 0)) scale = mainScreenScale();
  if (allowAnimatedImage.load()) {
    Ref<gfx::Image> image = DRImage::imageWithData(data, scale);
    return image && decodeForDisplay.load() ? imageByDecoded(image) : image;
  }
  auto decoder = DRImageDecoder::decoderWithData(data, scale);
  auto frame = decoder ? decoder->frameAtIndex(0, decodeForDisplay.load()) : nullptr;
  return frame ? frame->image : nullptr;
}

void DRImageCache::setImage(const Ref<gfx::Image>& image, const Ref<fd::Data>& data, const fd::String& key,
                            unsigned type) {
  if (key.isEmpty() || (!image && (!data || data->length() == 0))) return;
  Weak<DRImageCache> weak = std::static_pointer_cast<DRImageCache>(shared_from_this());
  if (type & DRImageCacheTypeMemory) {
    if (image) {
      if (isDecodedForDisplay(*image)) {
        memory_->setObject(image, key, imageCost(image));
      } else {
        base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility)->async([weak, image, key] {
          if (auto self = weak.lock()) self->memory_->setObject(imageByDecoded(image), key, self->imageCost(image));
        });
      }
    } else {
      base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceUtility)->async([weak, data, key] {
        auto self = weak.lock();
        if (!self) return;
        if (auto made = self->imageFromData(data)) self->memory_->setObject(made, key, self->imageCost(made));
      });
    }
  }
  if (type & DRImageCacheTypeDisk) {
    if (data && data->length() > 0) {
      if (image) cache::DRDiskCache::setExtendedData(scaleArchive(image->scale()), data);
      disk_->setObject(data, key);
    } else if (image) {
      base::DRQueuePoolGetQueueForQOS(base::DRQualityOfServiceDefault)->async([weak, image, key] {
        auto self = weak.lock();
        if (!self) return;
        auto encoded = dataRepresentation(image);
        if (!encoded || encoded->length() == 0) return;
        cache::DRDiskCache::setExtendedData(scaleArchive(image->scale()), encoded);
        self->disk_->setObject(encoded, key);
      });
    }
  }
}

void DRImageCache::removeImageForKey(const fd::String& key, unsigned type) {
  if (key.isEmpty()) return;
  if (type & DRImageCacheTypeMemory) memory_->removeObjectForKey(key);
  if (type & DRImageCacheTypeDisk) disk_->removeObjectForKey(key);
}

bool DRImageCache::containsImageForKey(const fd::String& key, unsigned type) {
  if (key.isEmpty()) return false;
  if ((type & DRImageCacheTypeMemory) && memory_->containsObjectForKey(key)) return true;
  return (type & DRImageCacheTypeDisk) && disk_->containsObjectForKey(key);
}

Ref<gfx::Image> DRImageCache::getImageForKey(const fd::String& key, unsigned type) {
  if (key.isEmpty()) return nullptr;
  if (type & DRImageCacheTypeMemory) {
    if (auto image = rt::as<gfx::Image>(memory_->objectForKey(key))) return image;
  }
  if (type & DRImageCacheTypeDisk) {
    auto image = imageFromData(rt::as<fd::Data>(disk_->objectForKey(key)));
    if (image && (type & DRImageCacheTypeMemory)) memory_->setObject(image, key, imageCost(image));
    return image;
  }
  return nullptr;
}

void DRImageCache::getImageForKey(const fd::String& key, unsigned type, LookupBlock block) {
  if (!block) return;
  auto self = std::static_pointer_cast<DRImageCache>(shared_from_this());
  dispatch::globalQueue()->async([self, key, type, block] {
    auto answer = [block](Ref<gfx::Image> image, DRImageCacheType level) {
      dispatch::mainQueue()->async([block, image, level] { block(image, level); });
    };
    if (key.isEmpty()) return answer(nullptr, DRImageCacheTypeNone);
    if (type & DRImageCacheTypeMemory) {
      if (auto image = rt::as<gfx::Image>(self->memory_->objectForKey(key))) return answer(image, DRImageCacheTypeMemory);
    }
    if (type & DRImageCacheTypeDisk) {
      if (auto image = self->imageFromData(rt::as<fd::Data>(self->disk_->objectForKey(key)))) {
        self->memory_->setObject(image, key);
        return answer(image, DRImageCacheTypeDisk);
      }
    }
    answer(nullptr, DRImageCacheTypeNone);
  });
}

Ref<fd::Data> DRImageCache::getImageDataForKey(const fd::String& key) {
  if (key.isEmpty()) return nullptr;
  return rt::as<fd::Data>(disk_->objectForKey(key));
}

void DRImageCache::getImageDataForKey(const fd::String& key, std::function<void(const Ref<fd::Data>&)> block) {
  if (!block) return;
  auto self = std::static_pointer_cast<DRImageCache>(shared_from_this());
  dispatch::globalQueue()->async([self, key, block] {
    auto data = self->getImageDataForKey(key);
    dispatch::mainQueue()->async([block, data] { block(data); });
  });
}

}  // namespace image
