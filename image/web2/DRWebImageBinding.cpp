#include "image/web2/DRWebImageBinding.h"

#include "image/web2/DRImageCache.h"
#include "platform/dispatch/Queue.h"
#include "platform/foundation/threads/Thread.h"
#include "platform/graphics/Image.h"
#include "platform/ui/layer/Animation.h"
#include "platform/ui/layer/Layer.h"
#include "platform/ui/layer/MediaTimingFunction.h"

namespace image {

Ref<DRWebImageSetter> DRWebImageExistingSetter(const Ref<rt::Object>& target, const void* key) {
  return target ? rt::as<DRWebImageSetter>(target->associatedObject(key)) : nullptr;
}

Ref<DRWebImageSetter> DRWebImageSetterForTarget(const Ref<rt::Object>& target, const void* key) {
  if (auto setter = DRWebImageExistingSetter(target, key)) return setter;
  auto setter = rt::make<DRWebImageSetter>();
  target->setAssociatedObject(key, setter, rt::AssociationPolicy::RetainNonatomic);
  return setter;
}

void DRWebImageAddFade(const Ref<ui::Layer>& layer, DRWebImageStage stage) {
  if (!layer) return;
  auto fade = ui::Transition::animation();
  fade->setType(ui::kCATransitionFade);
  fade->setDuration(stage == DRWebImageStage::Finished ? 0.2 : 0.4);
  fade->setTimingFunction(ui::MediaTimingFunction::functionWithName(ui::kCAMediaTimingFunctionEaseInEaseOut));
  layer->addAnimation(fade, fd::String(kDRWebImageFadeKey));
}

void DRWebImageRequest(const Ref<rt::Object>& target, const Ref<DRWebImageSetter>& setter,
                       const DRWebImageBinder& binder, const Ref<fd::URL>& url, const Ref<gfx::Image>& placeholder,
                       DRWebImageOptions options, Ref<DRWebImageManager> manager, DRWebImageProgressBlock progress,
                       DRWebImageTransformBlock transform, DRWebImageCompletionBlock completion) {
  if (!target || !setter) return;
  if (!manager) manager = DRWebImageManager::sharedManager();
  const int32_t sentinel = setter->cancelWithNewURL(url);

  auto onMain = [target, setter, binder, url, placeholder, options, manager, progress, transform, completion,
                 sentinel] {
    const bool manual = options & DRWebImageOptionManualSet;
    const bool keepPlaceholder = options & DRWebImageOptionKeepPlaceholder;
    if ((options & DRWebImageOptionFadeIn) && !manual && binder.fadeAllowed && binder.fadeAllowed(target)) {
      if (auto layer = binder.fadeLayer(target)) layer->removeAnimationForKey(fd::String(kDRWebImageFadeKey));
    }
    if (!url) {
      if (!keepPlaceholder) binder.set(target, placeholder);
      return;
    }
    if (manager->cache && !(options & (DRWebImageOptionURLCache | DRWebImageOptionReloadCache))) {
      auto key = manager->cacheKeyForURL(url);
      if (auto hit = key ? manager->cache->getImageForKey(*key, DRImageCacheTypeMemory) : nullptr) {
        if (!manual) binder.set(target, hit);
        if (completion) completion(hit, url, DRWebImageFrom::MemoryCacheFast, DRWebImageStage::Finished, nullptr);
        return;
      }
    }
    if (!keepPlaceholder) binder.set(target, placeholder);

    Weak<rt::Object> weakTarget = target;
    DRWebImageSetter::setterQueue()->async([setter, sentinel, url, options, manager, transform, progress, completion,
                                            binder, weakTarget] {
      DRWebImageProgressBlock relayProgress;
      if (progress) {
        relayProgress = [progress](int64_t received, int64_t expected) {
          dispatch::mainQueue()->async([progress, received, expected] { progress(received, expected); });
        };
      }
      // Weak: the operation keeps this block, and the setter keeps the operation.
      Weak<DRWebImageSetter> weakSetter = setter;
      auto relayResult = [weakSetter, sentinel, options, completion, binder, weakTarget](
                             const Ref<gfx::Image>& image, const Ref<fd::URL>& reportedURL, DRWebImageFrom from,
                             DRWebImageStage stage, const Ref<fd::Error>& error) {
        const bool apply = image && (stage == DRWebImageStage::Finished || stage == DRWebImageStage::Progress) &&
                           !(options & DRWebImageOptionManualSet);
        dispatch::mainQueue()->async([=] {
          // A request replaced since (a newer request or a cancel moved the sentinel past the
          // one step its own operation takes) must not overwrite what replaced it.
          auto setter = weakSetter.lock();
          const bool current = setter && setter->sentinel() - sentinel <= 1;
          auto view = weakTarget.lock();
          if (apply && view && current) {
            if ((options & DRWebImageOptionFadeIn) && binder.fadeAllowed && binder.fadeAllowed(view))
              DRWebImageAddFade(binder.fadeLayer(view), stage);
            binder.set(view, image);
          }
          if (completion) completion(image, reportedURL, from, stage, error);
        });
      };
      setter->setOperationWithSentinel(sentinel, url, options, manager, relayProgress, transform, relayResult);
    });
  };
  if (fd::Thread::isMainThread()) onMain();
  else dispatch::mainQueue()->async(std::move(onMain));
}

}  // namespace image
