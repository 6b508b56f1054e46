#pragma once
// The notification hub: listeners register a handler, senders send a numbered
// notification with one data value, and the hub calls the chosen listeners in
// registration order until one of them reports the notification handled.
// Notification numbers are registered with a description so that two parts of
// a program cannot claim the same number.
//
// Threading: the listener and queue lists are lock-protected, and handlers run
// while the listener lock is held (it is recursive, so a handler may add or
// remove listeners on the same thread). Queued notifications are delivered on
// the thread that owns the hub; how that thread is woken is left to a subclass
// (PostDeliveryRequest), which keeps this library free of any window toolkit.

#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <string>

#include "foundation/lists.h"

// One data value whose meaning depends on the notification: the address of a
// text for 2000, 2001 and 2003, a boolean (0 or 1) for 2002.
using TMessageData = intptr_t;

// Handler of a listener: handled is false on entry; setting it stops delivery.
using TMessageHandler = std::function<void(const void* sender, int32_t number, TMessageData data,
                                           bool& handled, int32_t& result)>;

// Send flags: restrict delivery by comparing each listener's owner with the sender.
enum TMessageFlags : int32_t {
    mfAll = 0,
    mfOnlySender = 1,    // only listeners whose owner is the sender
    mfExceptSender = 2,  // only listeners whose owner is not the sender
};

class TListener : public TObject {
  public:
    TListener(const void* owner, TMessageHandler handler)
        : Owner(owner), Handler(std::move(handler)) {}
    const void* Owner;  // an identity only; never dereferenced
    TMessageHandler Handler;
};

class TcMessageDispatch : public TObject {
  public:
    TcMessageDispatch() = default;
    TcMessageDispatch(const TcMessageDispatch&) = delete;
    TcMessageDispatch& operator=(const TcMessageDispatch&) = delete;
    // Frees the listeners first, then any notification still queued.
    ~TcMessageDispatch() override;

    // Ignored when the owner has a listener already.
    void AddListener(const void* owner, TMessageHandler handler);
    // Removes the owner's first listener, if any.
    void RemoveListener(const void* owner);

    bool Send(const void* sender, int32_t number, TMessageData data, int32_t flags);
    // Calls the handlers that pass the flags filter in registration order and
    // stops after the first that sets handled. An error raised by a handler
    // ends the delivery and reaches the caller once the lock is released.
    bool SendWithResult(const void* sender, int32_t number, TMessageData data, int32_t flags,
                        int32_t& result);

    // Raises EDeveloper "Messagedispatch %d (%s) exists for %s!" when the number
    // is registered already; the first registration stays.
    void RegisterMessage(int32_t number, const std::string& description);
    // Numbers above 999999999 are free for anyone and count as registered.
    bool IsRegistered(int32_t number) const;

    // Queues a notification for delivery on the owning thread, with the owner
    // as sender. Safe from any thread.
    void Post(const void* owner, int32_t number, TMessageData data, int32_t flags);
    // Sends every queued notification in order; runs on the owning thread.
    // An error of one delivery goes to OnDeliveryError (the standard error
    // display of the application) and does not hold back the others.
    void DeliverQueue();
    // Number of notifications waiting for delivery.
    int32_t QueuedCount();

    // Receives errors raised while delivering the queue; when unassigned the
    // message is written to standard error.
    std::function<void(const std::exception&)> OnDeliveryError;

  protected:
    // Asks the owning thread to call DeliverQueue soon. Called from the thread
    // that posted, after the notification is queued. The base class does
    // nothing, so its owner has to call DeliverQueue itself.
    virtual void PostDeliveryRequest() {}

  private:
    class TQueuedMessage : public TObject {
      public:
        TQueuedMessage(const void* owner, TMessageData data, int32_t number, int32_t flags)
            : Owner(owner), Data(data), Number(number), Flags(flags) {}
        const void* Owner;
        TMessageData Data;
        int32_t Number;
        int32_t Flags;
    };

    TcLockList<TListener> listeners_;
    TcLockList<TQueuedMessage> queue_;
    mutable std::mutex registry_lock_;
    std::map<int32_t, std::string> registry_;
};
