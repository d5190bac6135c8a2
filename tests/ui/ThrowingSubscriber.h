#pragma once

#include <stdexcept>
#include <string>

#include "model/SubscriberInterface.h"

// Stands in for a settings file that cannot be written: once armed, every notification fails.
class ThrowingSubscriber final : public SubscriberInterface {
public:
    void Update(PublisherInterface*) override {
        ++notifications;
        if (!message.empty()) {
            throw std::runtime_error(message);
        }
    }

    std::string message;
    int notifications = 0;
};
