#pragma once

#include <set>

#include "model/PublisherInterface.h"
#include "model/SubscriberInterface.h"

// Keeps its subscribers ordered by address and calls them in that order.
class Publisher : public PublisherInterface {
public:
    void Attach(SubscriberInterface* subscriber) override;
    void Detach(SubscriberInterface* subscriber) override;
    void Notify() override;

private:
    std::set<SubscriberInterface*> subscribers;
};
