#include "desktop/hot_keys.h"

#include <algorithm>

namespace velmor {

unsigned systemModifiers(std::uint32_t value) {
    unsigned m = 0;
    if (value & kValueShift) m |= kModShift;
    if (value & kValueCtrl) m |= kModControl;
    if (value & kValueAlt) m |= kModAlt;
    if (value & kValueWin) m |= kModWin;
    return m;
}

std::uint32_t hotKeyValue(unsigned modifiers, std::uint8_t virtualKey) {
    std::uint32_t v = virtualKey;
    if (modifiers & kModAlt) v |= kValueAlt;
    if (modifiers & kModControl) v |= kValueCtrl;
    if (modifiers & kModShift) v |= kValueShift;
    if (modifiers & kModWin) v |= kValueWin;
    return v;
}

THotKeys::~THotKeys() {
    ClearHotKeys();
    if (service_) service_->onHotKey = nullptr;
}

void THotKeys::setService(HotKeyService* service) {
    ClearHotKeys();
    if (service_) service_->onHotKey = nullptr;
    service_ = service;
    if (service_) {
        service_->onHotKey = [this](int id, unsigned modifiers, std::uint8_t vk) {
            pressed(id, modifiers, vk);
        };
    }
}

std::uint16_t THotKeys::addAtom(const std::string& name) {
    auto it = atoms_.find(name);
    if (it != atoms_.end()) {
        ++it->second.uses;
        return it->second.id;
    }
    // The string-atom range ends at 0xFFFF; a freed id is not handed out again.
    if (nextAtom_ == 0) return 0;
    const std::uint16_t id = nextAtom_;
    nextAtom_ = nextAtom_ == 0xFFFF ? 0 : static_cast<std::uint16_t>(nextAtom_ + 1);
    atoms_.emplace(name, Atom{id, 1});
    return id;
}

void THotKeys::deleteAtom(std::uint16_t id) {
    for (auto it = atoms_.begin(); it != atoms_.end(); ++it) {
        if (it->second.id != id) continue;
        if (--it->second.uses == 0) atoms_.erase(it);
        return;
    }
}

std::uint16_t THotKeys::AddHotKey(std::uint32_t value) {
    const std::uint16_t id = addAtom("VelmorHotKey" + std::to_string(value));
    if (id == 0) return 0;
    const bool ok = service_ && service_->registerHotKey(id, systemModifiers(value),
                                                         static_cast<std::uint8_t>(value & 0xFF));
    if (!ok) {
        deleteAtom(id);
        return 0;
    }
    list_.push_back({value, id});
    return id;
}

bool THotKeys::RemoveHotKey(std::uint32_t value) {
    const auto it = std::find_if(list_.begin(), list_.end(),
                                 [value](const Registration& r) { return r.value == value; });
    if (it == list_.end()) return false;
    const std::uint16_t id = it->id;
    const bool released = service_ && service_->unregisterHotKey(id);
    deleteAtom(id);
    list_.erase(it);
    return released;
}

void THotKeys::ClearHotKeys() {
    while (!list_.empty()) {
        const Registration last = list_.back();
        list_.pop_back();
        if (service_) service_->unregisterHotKey(last.id);
        deleteAtom(last.id);
    }
}

bool THotKeys::isRegistered(std::uint32_t value) const {
    return std::any_of(list_.begin(), list_.end(),
                       [value](const Registration& r) { return r.value == value; });
}

void THotKeys::pressed(int id, unsigned modifiers, std::uint8_t virtualKey) {
    const std::uint32_t value = hotKeyValue(modifiers, virtualKey);
    if (!isRegistered(value) || !OnHotKeyPressed) return;
    OnHotKeyPressed(value, static_cast<std::uint16_t>(id));
}

void HotKeyBinding::apply(THotKeys& keys, bool on, std::uint32_t value) {
    // Released meanwhile (the registry moved to another service).
    if (held_ && !keys.isRegistered(*held_)) held_.reset();
    if (held_ && (!on || *held_ != value)) {
        keys.RemoveHotKey(*held_);
        held_.reset();
    }
    if (on && !held_ && keys.AddHotKey(value) != 0) held_ = value;
}

}  // namespace velmor
