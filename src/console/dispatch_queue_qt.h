#pragma once
// The notification hub as the console window uses it: queued notifications
// are delivered on the thread that created the hub, woken through a posted
// Qt event to a private receiver object that lives on that thread.

#include <memory>

#include "foundation/message_dispatch.h"

class TcQtMessageDispatch : public TcMessageDispatch {
  public:
    // Create on the thread that should deliver queued notifications; that
    // thread needs a running Qt event loop for them to arrive.
    TcQtMessageDispatch();
    // Destroy on the owning thread: pending wake-ups die with the receiver.
    ~TcQtMessageDispatch() override;

  protected:
    void PostDeliveryRequest() override;

  private:
    class TReceiver;
    std::unique_ptr<TReceiver> receiver_;
};
