#pragma once

class PublisherInterface;

class SubscriberInterface {
public:
    virtual ~SubscriberInterface() = default;
    virtual void Update(PublisherInterface* publisher) = 0;
};
