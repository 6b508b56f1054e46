#pragma once
// The notification hub: listeners register a handler, senders send a numbered
// notification with one data value, and the hub calls the chosen listeners in
// registration order until one of them reports the notification handled.
// Notification numbers are registered with a description so that two parts of
// a program cannot claim the same number.
//
// Threading: every member may be called from any thread. The hub never calls
// a handler while it holds one of its own locks: a delivery takes a snapshot
// of the chosen listeners under the lock and calls them with it released, so
// a handler may add or remove listeners, send, post, or wait for a thread
// that does any of these. Handlers run on the thread that sends; queued
// notifications are delivered on the thread that owns the hub, and how that
// thread is woken is left to a subclass (PostDeliveryRequest), which keeps
// this library free of any window toolkit.
//
// What a delivery promises about listeners that change meanwhile:
// - a listener added during a delivery first hears the next notification;
// - a listener removed during a delivery is not called by it after
//   RemoveListener has returned, except where a delivery on another thread
//   was already about to call it: RemoveListener does not wait for running
//   handlers (that wait could deadlock), so an owner that removes its
//   listener from another thread while notifications flow must stay alive
//   until those deliveries have ended;
// - a handler that removes its own listener finishes its call safely.

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "foundation/lists.h"

// One data value whose meaning depends on the notification: the address of a
// text (a std::string) for 2000, 2001 and 2003, a boolean (0 or 1) for 2002.
// An address is valid only for the duration of the handler's call.
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
    // Set under the listener lock by RemoveListener; a delivery that took
    // this listener into its snapshot earlier skips it from then on.
    std::atomic<bool> Removed{false};
};

class TcMessageDispatch : public TObject {
  public:
    TcMessageDispatch() = default;
    TcMessageDispatch(const TcMessageDispatch&) = delete;
    TcMessageDispatch& operator=(const TcMessageDispatch&) = delete;
    // Frees the listeners first, then any notification still queued. Destroy
    // the hub only when no other thread uses it and no delivery is running.
    ~TcMessageDispatch() override;

    // Ignored when the owner has a listener already.
    void AddListener(const void* owner, TMessageHandler handler);
    // Removes the owner's first listener, if any.
    void RemoveListener(const void* owner);

    bool Send(const void* sender, int32_t number, TMessageData data, int32_t flags);
    // Calls the handlers that pass the flags filter in registration order, on
    // the calling thread and with no lock held, and stops after the first that
    // sets handled. An error raised by a handler ends the delivery and reaches
    // the caller.
    bool SendWithResult(const void* sender, int32_t number, TMessageData data, int32_t flags,
                        int32_t& result);

    // Raises EDeveloper "Messagedispatch %d (%s) exists for %s!" when the number
    // is registered already; the first registration stays.
    void RegisterMessage(int32_t number, const std::string& description);
    // Numbers above 999999999 are free for anyone and count as registered.
    bool IsRegistered(int32_t number) const;

    // Queues a notification for delivery on the owning thread, with the owner
    // as sender. The value is handed over as it is, so it must not be an
    // address: the poster's text may be gone before delivery; use PostText.
    void Post(const void* owner, int32_t number, TMessageData value, int32_t flags);
    // Queues a text notification: the queue keeps its own copy, and the
    // handlers receive the address of that copy, valid for their call.
    void PostText(const void* owner, int32_t number, const std::string& text, int32_t flags);
    // Sends queued notifications oldest first, at most as many as were waiting
    // when it was called, so a handler that posts again cannot keep it busy;
    // later ones wait for the wake-up their Post requested. Runs on the owning
    // thread. Each entry is taken off the queue under the lock and sent with
    // the lock released, so a handler may post, and a nested call (a handler
    // that runs the event loop) continues in queue order. An error of one
    // delivery goes to OnDeliveryError (the standard error display of the
    // application) and does not hold back the others.
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
    struct TQueuedMessage {
        const void* Owner = nullptr;
        // A value as posted, or a text the entry owns.
        std::variant<TMessageData, std::string> Payload;
        int32_t Number = 0;
        int32_t Flags = 0;
    };

    void Enqueue(TQueuedMessage message);
    bool TakeQueued(TQueuedMessage& message);

    // Shared, so that a delivery's snapshot keeps a listener alive while its
    // handler runs even when the listener is removed meanwhile.
    std::mutex listener_lock_;
    std::vector<std::shared_ptr<TListener>> listeners_;
    std::mutex queue_lock_;
    std::deque<TQueuedMessage> queue_;
    mutable std::mutex registry_lock_;
    std::map<int32_t, std::string> registry_;
};
