// The listeners of a command context and the notifications relayed to them.

#include <vemora/commands/stCommandContext.h>

#include <algorithm>

namespace Vemora {

using L = stCommandContextListener_c;

void stCommandContext_c::addListener(L* listener) {
    if (listener) listeners_.push_back(listener);
}

L* stCommandContext_c::removeListener(L* listener) {
    if (!listener) return nullptr;
    const auto first = std::find(listeners_.begin(), listeners_.end(), listener);
    if (first == listeners_.end()) return nullptr;
    if (telling_) {
        // The loop that is telling goes on over the same entries.
        std::replace(first, listeners_.end(), listener, static_cast<L*>(nullptr));
    } else {
        listeners_.erase(std::remove(first, listeners_.end(), listener), listeners_.end());
    }
    return listener;
}

template <class Call>
void stCommandContext_c::tell(const Call& call) {
    // The entries of the moment are told; a listener added meanwhile hears from the next
    // notification on, one removed meanwhile hears nothing more.
    struct tmpTelling_c {
        stCommandContext_c& context;
        explicit tmpTelling_c(stCommandContext_c& c) : context(c) { ++context.telling_; }
        ~tmpTelling_c() {
            if (--context.telling_ > 0) return;
            auto& list = context.listeners_;
            list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
        }
    } telling(*this);
    const size_t count = listeners_.size();
    for (size_t i = 0; i < count; ++i)
        if (L* listener = listeners_[i]) call(*listener);
}

void stCommandContext_c::notifyMouseMove(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onMouseMove(*this, x, y, flags); });
}

void stCommandContext_c::notifyLButtonDown(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onLButtonDown(*this, x, y, flags); });
}

void stCommandContext_c::notifyLButtonUp(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onLButtonUp(*this, x, y, flags); });
}

void stCommandContext_c::notifyLButtonClick(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onLButtonClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyLButtonDblClick(unsigned int x, unsigned int y,
                                               unsigned long flags) {
    tell([&](L& l) { l.onLButtonDblClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyRButtonDown(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onRButtonDown(*this, x, y, flags); });
}

void stCommandContext_c::notifyRButtonUp(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onRButtonUp(*this, x, y, flags); });
}

void stCommandContext_c::notifyRButtonClick(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onRButtonClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyRButtonDblClick(unsigned int x, unsigned int y,
                                               unsigned long flags) {
    tell([&](L& l) { l.onRButtonDblClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyMButtonDown(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onMButtonDown(*this, x, y, flags); });
}

void stCommandContext_c::notifyMButtonUp(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onMButtonUp(*this, x, y, flags); });
}

void stCommandContext_c::notifyMButtonClick(unsigned int x, unsigned int y, unsigned long flags) {
    tell([&](L& l) { l.onMButtonClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyMButtonDblClick(unsigned int x, unsigned int y,
                                               unsigned long flags) {
    tell([&](L& l) { l.onMButtonDblClick(*this, x, y, flags); });
}

void stCommandContext_c::notifyMouseWheel(unsigned int x, unsigned int y, long delta) {
    tell([&](L& l) { l.onMouseWheel(*this, x, y, delta); });
}

void stCommandContext_c::notifyKeyPressed(unsigned int key) {
    tell([&](L& l) { l.onKeyPressed(*this, key); });
}

void stCommandContext_c::notifySetFocuse() {
    tell([&](L& l) { l.onSetFocuse(*this); });
}

void stCommandContext_c::notifyLoseFocuse() {
    tell([&](L& l) { l.onLoseFocuse(*this); });
}

void stCommandContext_c::notifyDcsChange(unsigned int width, unsigned int height) {
    tell([&](L& l) { l.onDcsChange(*this, width, height); });
}

void stCommandContext_c::notifyWcsChange() {
    tell([&](L& l) { l.onWcsChange(*this); });
}

void stCommandContext_c::notifyPickPointChange() {
    tell([&](L& l) { l.onPickPointChange(*this); });
}

void stCommandContext_c::notifySelectionRectangleChange() {
    tell([&](L& l) { l.onSelectionRectangleChange(*this); });
}

void stCommandContext_c::notifyBeforePaint() {
    tell([&](L& l) { l.onBeforePaint(*this); });
}

void stCommandContext_c::notifyPaint() {
    tell([&](L& l) { l.onPaint(*this); });
}

void stCommandContext_c::notifyPostPaint() {
    tell([&](L& l) { l.onPostPaint(*this); });
}

void stCommandContext_c::notifyBeforeCommandStart() {
    tell([&](L& l) { l.onBeforeCommandStart(*this); });
}

void stCommandContext_c::notifyAfterCommandFinish() {
    tell([&](L& l) { l.onAfterCommandFinish(*this); });
}

void stCommandContext_c::notifyRasterChange() {
    tell([&](L& l) { l.onRasterChange(*this); });
}

void stCommandContext_c::notifyVectorsChange() {
    tell([&](L& l) { l.onVectorsChange(*this); });
}

void stCommandContext_c::notifyDestroy() {
    tell([&](L& l) { l.onDestroy(*this); });
}

void stCommandContext_c::notifyIdle() {
    tell([&](L& l) { l.onIdle(*this); });
}

}  // namespace Vemora
