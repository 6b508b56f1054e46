#include "foundation/message_dispatch.h"

#include <iostream>

TcMessageDispatch::~TcMessageDispatch() {
    {
        std::lock_guard<std::mutex> guard(listener_lock_);
        listeners_.clear();
    }
    std::lock_guard<std::mutex> guard(queue_lock_);
    queue_.clear();
}

void TcMessageDispatch::AddListener(const void* owner, TMessageHandler handler) {
    std::lock_guard<std::mutex> guard(listener_lock_);
    for (const auto& listener : listeners_)
        if (listener->Owner == owner) return;
    listeners_.push_back(std::make_shared<TListener>(owner, std::move(handler)));
}

void TcMessageDispatch::RemoveListener(const void* owner) {
    std::lock_guard<std::mutex> guard(listener_lock_);
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it) {
        if ((*it)->Owner == owner) {
            (*it)->Removed = true;
            listeners_.erase(it);
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
    std::vector<std::shared_ptr<TListener>> chosen;
    {
        std::lock_guard<std::mutex> guard(listener_lock_);
        for (const auto& listener : listeners_) {
            const bool own = listener->Owner == sender;
            if (own && (flags & mfExceptSender)) continue;
            if (!own && (flags & mfOnlySender)) continue;
            chosen.push_back(listener);
        }
    }
    bool handled = false;
    for (const auto& listener : chosen) {
        // An earlier handler (or another thread) may have removed it.
        if (listener->Removed) continue;
        listener->Handler(sender, number, data, handled, result);
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

void TcMessageDispatch::Post(const void* owner, int32_t number, TMessageData value, int32_t flags) {
    Enqueue({owner, value, number, flags});
}

void TcMessageDispatch::PostText(const void* owner, int32_t number, const std::string& text,
                                 int32_t flags) {
    Enqueue({owner, text, number, flags});
}

void TcMessageDispatch::Enqueue(TQueuedMessage message) {
    {
        std::lock_guard<std::mutex> guard(queue_lock_);
        queue_.push_back(std::move(message));
    }
    PostDeliveryRequest();
}

bool TcMessageDispatch::TakeQueued(TQueuedMessage& message) {
    std::lock_guard<std::mutex> guard(queue_lock_);
    if (queue_.empty()) return false;
    message = std::move(queue_.front());
    queue_.pop_front();
    return true;
}

void TcMessageDispatch::DeliverQueue() {
    // Counted at the start, so that a handler that posts again cannot keep
    // this call (and the event loop that made it) busy for ever.
    size_t count;
    {
        std::lock_guard<std::mutex> guard(queue_lock_);
        count = queue_.size();
    }
    TQueuedMessage message;
    for (; count > 0 && TakeQueued(message); --count) {
        const auto* text = std::get_if<std::string>(&message.Payload);
        const TMessageData data =
            text ? reinterpret_cast<TMessageData>(text) : std::get<TMessageData>(message.Payload);
        try {
            Send(message.Owner, message.Number, data, message.Flags);
        } catch (const std::exception& error) {
            if (OnDeliveryError)
                OnDeliveryError(error);
            else
                std::cerr << error.what() << '\n';
        }
    }
}

int32_t TcMessageDispatch::QueuedCount() {
    std::lock_guard<std::mutex> guard(queue_lock_);
    return static_cast<int32_t>(queue_.size());
}
