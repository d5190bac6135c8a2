#pragma once

class SubscriberInterface;

class PublisherInterface {
public:
    virtual ~PublisherInterface() = default;
    virtual void Attach(SubscriberInterface* subscriber) = 0;
    virtual void Detach(SubscriberInterface* subscriber) = 0;
    virtual void Notify() = 0;
};
