#include "model/Publisher.h"

void Publisher::Attach(SubscriberInterface* subscriber) {
    if (subscriber != nullptr) {
        subscribers.insert(subscriber);
    }
}

void Publisher::Detach(SubscriberInterface* subscriber) {
    subscribers.erase(subscriber);
}

void Publisher::Notify() {
    // Looking the next subscriber up after each call keeps the walk valid even if an Update
    // attaches or detaches subscribers.
    auto next = subscribers.begin();
    while (next != subscribers.end()) {
        SubscriberInterface* subscriber = *next;
        subscriber->Update(this);
        next = subscribers.upper_bound(subscriber);
    }
}
