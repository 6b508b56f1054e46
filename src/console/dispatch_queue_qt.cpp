#include "console/dispatch_queue_qt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace {

QEvent::Type DeliverQueueEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

}  // namespace

class TcQtMessageDispatch::TReceiver : public QObject {
  public:
    explicit TReceiver(TcMessageDispatch& hub) : hub_(hub) {}

  protected:
    bool event(QEvent* event) override {
        if (event->type() == DeliverQueueEvent()) {
            hub_.DeliverQueue();
            return true;
        }
        return QObject::event(event);
    }

  private:
    TcMessageDispatch& hub_;
};

TcQtMessageDispatch::TcQtMessageDispatch() : receiver_(std::make_unique<TReceiver>(*this)) {}

TcQtMessageDispatch::~TcQtMessageDispatch() = default;

void TcQtMessageDispatch::PostDeliveryRequest() {
    // postEvent is safe from any thread; the event is handled on the thread
    // the receiver belongs to.
    QCoreApplication::postEvent(receiver_.get(), new QEvent(DeliverQueueEvent()));
}
