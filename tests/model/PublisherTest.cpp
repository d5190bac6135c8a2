#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

#include "model/Publisher.h"

namespace {

// Records the order of Update calls into a log shared by several subscribers.
class RecordingSubscriber final : public SubscriberInterface {
public:
    explicit RecordingSubscriber(std::vector<RecordingSubscriber*>* log) : log(log) {}
    void Update(PublisherInterface* publisher) override {
        lastPublisher = publisher;
        log->push_back(this);
        if (throwOnUpdate) {
            throw std::runtime_error("subscriber failed");
        }
    }
    std::vector<RecordingSubscriber*>* log;
    PublisherInterface* lastPublisher = nullptr;
    bool throwOnUpdate = false;
};

class PublisherTest : public ::testing::Test {
protected:
    Publisher publisher;
    std::vector<RecordingSubscriber*> log;
    std::array<RecordingSubscriber, 3> subscribers{
        RecordingSubscriber(&log), RecordingSubscriber(&log), RecordingSubscriber(&log)};
};

TEST_F(PublisherTest, SubscriberAttachedTwiceIsCalledOnceAndOneDetachRemovesIt) {
    publisher.Attach(&subscribers[0]);
    publisher.Attach(&subscribers[0]);
    publisher.Notify();
    EXPECT_EQ(log.size(), 1u);

    publisher.Detach(&subscribers[0]);
    publisher.Notify();
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(PublisherTest, NullAndAbsentSubscribersAreIgnored) {
    publisher.Attach(nullptr);
    publisher.Detach(nullptr);
    publisher.Detach(&subscribers[1]);
    publisher.Notify();
    EXPECT_TRUE(log.empty());

    publisher.Attach(&subscribers[0]);
    publisher.Detach(&subscribers[1]);
    publisher.Notify();
    EXPECT_EQ(log, std::vector<RecordingSubscriber*>{&subscribers[0]});
}

TEST_F(PublisherTest, CallsFollowAddressOrderNotAttachOrder) {
    publisher.Attach(&subscribers[2]);
    publisher.Attach(&subscribers[0]);
    publisher.Attach(&subscribers[1]);
    publisher.Notify();
    const std::vector<RecordingSubscriber*> ascending{&subscribers[0], &subscribers[1],
                                                      &subscribers[2]};
    EXPECT_EQ(log, ascending);
    EXPECT_EQ(subscribers[1].lastPublisher, &publisher);
}

TEST_F(PublisherTest, ExceptionFromUpdateStopsNotifyAndReachesCaller) {
    for (auto& subscriber : subscribers) {
        publisher.Attach(&subscriber);
    }
    subscribers[1].throwOnUpdate = true;
    EXPECT_THROW(publisher.Notify(), std::runtime_error);
    const std::vector<RecordingSubscriber*> calledBeforeFailure{&subscribers[0], &subscribers[1]};
    EXPECT_EQ(log, calledBeforeFailure);
}

TEST_F(PublisherTest, SubscriberOfTwoPublishersTellsThemApart) {
    Publisher other;
    publisher.Attach(&subscribers[0]);
    other.Attach(&subscribers[0]);
    other.Notify();
    EXPECT_EQ(subscribers[0].lastPublisher, &other);
    publisher.Notify();
    EXPECT_EQ(subscribers[0].lastPublisher, &publisher);
}

// A subscriber may detach itself while being notified; the walk must go on with the others.
TEST_F(PublisherTest, SubscriberDetachingItselfDuringNotifyIsSafe) {
    class SelfDetacher final : public SubscriberInterface {
    public:
        void Update(PublisherInterface* publisher) override { publisher->Detach(this); }
    };
    SelfDetacher detacher;
    publisher.Attach(&detacher);
    for (auto& subscriber : subscribers) {
        publisher.Attach(&subscriber);
    }
    publisher.Notify();
    EXPECT_EQ(log.size(), 3u);
    publisher.Notify();
    EXPECT_EQ(log.size(), 6u);
}

}  // namespace
