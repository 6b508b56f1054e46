#include "foundation/message_dispatch.h"

#include <iostream>
#include <memory>
#include <vector>

namespace {

// Holds a TcLockList's lock for a scope, so a raising handler still unlocks.
template <class T>
class TLockedList {
  public:
    explicit TLockedList(TcLockList<T>& list) : list_(list), items(list.LockList()) {}
    ~TLockedList() { list_.UnlockList(); }
    TLockedList(const TLockedList&) = delete;
    TLockedList& operator=(const TLockedList&) = delete;

  private:
    TcLockList<T>& list_;

  public:
    std::vector<T*>& items;
};

}  // namespace

TcMessageDispatch::~TcMessageDispatch() {
    listeners_.Clear();
    queue_.Clear();
}

void TcMessageDispatch::AddListener(const void* owner, TMessageHandler handler) {
    TLockedList<TListener> locked(listeners_);
    for (const TListener* listener : locked.items)
        if (listener->Owner == owner) return;
    locked.items.push_back(new TListener(owner, std::move(handler)));
}

void TcMessageDispatch::RemoveListener(const void* owner) {
    TLockedList<TListener> locked(listeners_);
    for (auto it = locked.items.begin(); it != locked.items.end(); ++it) {
        if ((*it)->Owner == owner) {
            delete *it;
            locked.items.erase(it);
            return;
        }
    }
}

bool TcMessageDispatch::Send(const void* sender, int32_t number, TMessageData data, int32_t flags) {
    int32_t result = 0;
    return SendWithResult(sender, number, data, flags, result);
}

bool TcMessageDispatch::SendWithResult(const void* sender, int32_t number, TMessageData data,
                                       int32_t flags, int32_t& result) {
    TLockedList<TListener> locked(listeners_);
    // A private copy, so a handler that removes its own listener does not
    // disturb the walk.
    std::vector<TListener> chosen;
    for (const TListener* listener : locked.items) {
        const bool own = listener->Owner == sender;
        if (own && (flags & mfExceptSender)) continue;
        if (!own && (flags & mfOnlySender)) continue;
        chosen.push_back(*listener);
    }
    bool handled = false;
    for (TListener& listener : chosen) {
        listener.Handler(sender, number, data, handled, result);
        if (handled) break;
    }
    return handled;
}

void TcMessageDispatch::RegisterMessage(int32_t number, const std::string& description) {
    std::lock_guard<std::mutex> guard(registry_lock_);
    const auto it = registry_.find(number);
    if (it != registry_.end())
        throw EDeveloper(Format("Messagedispatch %d (%s) exists for %s!", number,
                                description.c_str(), it->second.c_str()));
    registry_.emplace(number, description);
}

bool TcMessageDispatch::IsRegistered(int32_t number) const {
    if (number > 999999999) return true;
    std::lock_guard<std::mutex> guard(registry_lock_);
    return registry_.count(number) > 0;
}

void TcMessageDispatch::Post(const void* owner, int32_t number, TMessageData data, int32_t flags) {
    queue_.Add(new TQueuedMessage(owner, data, number, flags));
    PostDeliveryRequest();
}

void TcMessageDispatch::DeliverQueue() {
    TLockedList<TQueuedMessage> locked(queue_);
    while (!locked.items.empty()) {
        std::unique_ptr<TQueuedMessage> message(locked.items.front());
        locked.items.erase(locked.items.begin());
        try {
            Send(message->Owner, message->Number, message->Data, message->Flags);
        } catch (const std::exception& error) {
            if (OnDeliveryError)
                OnDeliveryError(error);
            else
                std::cerr << error.what() << '\n';
        }
    }
}

int32_t TcMessageDispatch::QueuedCount() {
    TLockedList<TQueuedMessage> locked(queue_);
    return static_cast<int32_t>(locked.items.size());
}
