// The send rule, driven poll by poll without waiting real time, and the hand-over of each poll to
// the sender of a server.
#include "worker/PollDecision.h"
#include "worker/TrackMailbox.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

// Runs polls against a scripted server and records which polls sent what.
struct PollDriver {
    SendState state;
    SendResult answer = SendResult::delivered;
    std::vector<int> sendPolls;
    std::vector<std::string> sentTexts;
    int pollNumber = 0;

    void poll(const std::string& text) {
        ++pollNumber;
        runPoll(text, state, [this](const std::string& sent) {
            sendPolls.push_back(pollNumber);
            sentTexts.push_back(sent);
            return answer;
        });
    }

    void polls(int count, const std::string& text) {
        for (int i = 0; i < count; ++i)
            poll(text);
    }
};

TEST(PollDecision, NewTextGoesOutOnFirstPollThenEvery33) {
    PollDriver driver;
    driver.polls(100, "A - T");
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 34, 67, 100}));
}

TEST(PollDecision, ChangedTextIsSentAtOnceEvenIfSentBefore) {
    PollDriver driver;
    driver.poll("A");
    driver.poll("B");
    driver.poll("A");
    driver.poll("A");
    EXPECT_EQ(driver.sentTexts, (std::vector<std::string>{"A", "B", "A"}));
}

// A is still what the server shows, but it was not sent since B failed: it must go out again.
TEST(PollDecision, ReturnToTheDeliveredTextAfterARefusedChangeGoesOutNextPoll) {
    PollDriver driver;
    driver.poll("A");
    driver.answer = SendResult::failed;
    driver.poll("B");
    driver.answer = SendResult::delivered;
    driver.poll("A");
    EXPECT_EQ(driver.sentTexts, (std::vector<std::string>{"A", "B", "A"}));
}

TEST(PollDecision, EmptyPollsNeitherSendNorCount) {
    PollDriver driver;
    driver.poll("A");
    for (int i = 0; i < 40; ++i) {
        driver.poll("");
        driver.poll("A");
    }
    // 32 unchanged non-empty polls after the send do not yet refresh; the 33rd does.
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 1 + 2 * 33}));
    EXPECT_EQ(driver.state.lastSentText, "A");
}

TEST(PollDecision, FailedSendIsRetriedEveryPoll) {
    PollDriver driver;
    driver.answer = SendResult::failed;
    driver.polls(3, "A");
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(driver.state.lastSentText, "");
    driver.answer = SendResult::delivered;
    driver.polls(34, "A");
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 2, 3, 4, 37}));
}

TEST(PollDecision, FailedRefreshKeepsLastSentTextAndRetriesNextPoll) {
    PollDriver driver;
    driver.polls(33, "A"); // sent on poll 1
    driver.answer = SendResult::failed;
    driver.poll("A"); // poll 34 refreshes and fails
    driver.answer = SendResult::delivered;
    driver.poll("A"); // poll 35 retries
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 34, 35}));
    EXPECT_EQ(driver.state.lastSentText, "A");
    EXPECT_EQ(driver.state.repeatCounter, 0);
}

// A refused login is asked again only with the refresh, 33 polls on, silent polls counting too,
// so a changed password does not get the encoder's address blocked; then the text of that poll
// goes out, changed or not.
TEST(PollDecision, RefusedLoginIsTriedAgainWithTheRefreshWithTheTextOfThatPoll) {
    PollDriver unchanged;
    unchanged.answer = SendResult::loginRefused;
    unchanged.polls(67, "A");
    EXPECT_EQ(unchanged.sendPolls, (std::vector<int>{1, 34, 67}));

    PollDriver changed; // the DJ mends the password and plays on
    changed.answer = SendResult::loginRefused;
    changed.polls(10, "A");
    changed.answer = SendResult::delivered;
    changed.polls(30, "B");
    changed.polls(33, "B");
    EXPECT_EQ(changed.sendPolls, (std::vector<int>{1, 34, 67}));
    EXPECT_EQ(changed.sentTexts, (std::vector<std::string>{"A", "B", "B"}));

    PollDriver back; // back to the delivered text while waiting: it still goes out
    back.poll("A");
    back.answer = SendResult::loginRefused;
    back.poll("B");
    back.answer = SendResult::delivered;
    back.polls(33, "A");
    EXPECT_EQ(back.sendPolls, (std::vector<int>{1, 2, 35}));

    PollDriver silent;
    silent.answer = SendResult::loginRefused;
    silent.poll("A");
    silent.polls(33, "");
    silent.poll("A");
    EXPECT_EQ(silent.sendPolls, (std::vector<int>{1, 35}));

    PollDriver forbidden; // a server that answers 403 refuses the login as well
    DeliveryReport forbiddenAnswer;
    forbiddenAnswer.failedStep = DeliveryStep::statusRejected;
    forbiddenAnswer.status = 403;
    forbidden.answer = sendResultOf(false, forbiddenAnswer);
    forbidden.polls(34, "A");
    EXPECT_EQ(forbidden.sendPolls, (std::vector<int>{1, 34}));
}

TEST(PollDecision, TextsCompareByteForByte) {
    PollDriver driver;
    driver.poll(std::string("A\0B", 3));
    driver.poll(std::string("A\0C", 3)); // differs after an embedded NUL
    driver.poll("A");
    EXPECT_EQ(driver.sendPolls, (std::vector<int>{1, 2, 3}));
}

TEST(PollDecision, CounterNeverOverflowsWhenSendsNeverReturn) {
    std::string lastSent = "A";
    std::int32_t counter = std::numeric_limits<std::int32_t>::max() - 1;
    EXPECT_TRUE(updateIsDue("A", lastSent, counter));
    EXPECT_TRUE(updateIsDue("A", lastSent, counter));
    EXPECT_EQ(counter, std::numeric_limits<std::int32_t>::max());
}

// A server's sender takes the newest poll only: one that was busy in a long exchange catches
// up with the present instead of working through the polls it missed.
TEST(TrackMailbox, BusySenderGetsOnlyTheNewestPollAndEndsOnClose) {
    TrackMailbox mailbox;
    std::uint64_t seen = 0;
    std::string text;
    mailbox.post("A");
    mailbox.post("B");
    ASSERT_TRUE(mailbox.waitForPoll(seen, text));
    EXPECT_EQ(text, "B");
    mailbox.post("B"); // the same text in a new poll still counts as a poll
    ASSERT_TRUE(mailbox.waitForPoll(seen, text));
    std::thread closer([&mailbox] { mailbox.close(); });
    EXPECT_FALSE(mailbox.waitForPoll(seen, text)); // wakes on close, with no poll pending
    closer.join();
}
