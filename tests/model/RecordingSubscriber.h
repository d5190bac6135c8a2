#pragma once

#include <functional>
#include <vector>

#include "model/PublisherInterface.h"
#include "model/SubscriberInterface.h"

// Records every notification it receives and can run a test's action inside Update.
class RecordingSubscriber final : public SubscriberInterface {
public:
    void Update(PublisherInterface* publisher) override {
        publishers.push_back(publisher);
        if (onUpdate) {
            onUpdate();
        }
    }

    std::size_t Count() const { return publishers.size(); }

    std::vector<PublisherInterface*> publishers;
    std::function<void()> onUpdate;
};
