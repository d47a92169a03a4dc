// The queue between the runtime's threads and the simulator's main thread.
#include "simulator/core/main_queue.h"
#include "simulator/core/moxlan_doc.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using moxlan::CDeviceTag;
using moxlan::CMoxlanDoc;
using moxlan::HostEvent;
using moxlan::MainQueue;
using vetrel::test::r4;
using namespace std::chrono_literals;

namespace {

HostEvent trace(const char* text)
{
    HostEvent event = HostEvent::of(HostEvent::Kind::Trace);
    event.text = text;
    return event;
}

TEST(MainQueue, HandsOutEventsInOrderAndAnswersAtOnceWhenEmpty)
{
    MainQueue queue;
    EXPECT_TRUE(queue.takeAll().empty());
    // A deadline already passed does not wait: an overdue tick of the console host asks so.
    EXPECT_FALSE(queue.waitUntil(std::chrono::steady_clock::now() - 1s));

    queue.post(trace("first"));
    queue.post(trace("second"));
    queue.post(trace("third"));
    EXPECT_EQ(queue.waitUntil({})->text, "first");
    const std::deque<HostEvent> rest = queue.takeAll();
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].text, "second");
    EXPECT_EQ(rest[1].text, "third");
    EXPECT_TRUE(queue.takeAll().empty());

    queue.close();
    queue.post(trace("late"));
    EXPECT_TRUE(queue.takeAll().empty()) << "the document it was meant for is gone";
}

TEST(MainQueue, WaitEndsWithAnEventFromAnotherThread)
{
    MainQueue queue;
    std::thread runtime([&] {
        std::this_thread::sleep_for(50ms);
        queue.post(trace("from the runtime"));
    });
    const std::optional<HostEvent> event = queue.waitUntil(std::chrono::steady_clock::now() + 60s);
    runtime.join();
    ASSERT_TRUE(event);
    EXPECT_EQ(event->text, "from the runtime");
}

TEST(MainQueue, WriteReportCarriesTheValueATickWouldOverwrite)
{
    CMoxlanDoc doc;
    auto ramp = std::make_unique<CDeviceTag>();
    ramp->m_Name = "Queue.Ramp";
    ramp->m_SimType = moxlan::SIM_INCREMENTAL;
    ramp->m_Step = 0.5f;
    ASSERT_TRUE(doc.AddDevice(std::move(ramp)));
    const auto tag = static_cast<DWORD>(doc.GetDevice(0)->m_hTag);
    moxlan::mainQueue().takeAll();

    // The runtime stores the client's value, then notifies; the main thread ticks before it
    // handles the report.
    ASSERT_TRUE(UpdateTag(tag, r4(60.0f), 192));
    ASSERT_TRUE(moxlan::postTagWritten(tag));
    doc.SimulateAll();
    const std::deque<HostEvent> reports = moxlan::mainQueue().takeAll();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].kind, HostEvent::Kind::TagWritten);
    EXPECT_EQ(reports[0].value, 60.0f);
    doc.OnTagWritten(reports[0].tag, reports[0].value);
    doc.SimulateAll();
    EXPECT_EQ(doc.GetDevice(0)->value(), 60.5f) << "counts on from the written value";

    // A written text that is no number is not reported.
    VARIANT text = vetrel::test::bstr("high");
    ASSERT_TRUE(UpdateTag(tag, text, 192));
    VariantClear(&text);
    EXPECT_FALSE(moxlan::postTagWritten(tag));
    EXPECT_TRUE(moxlan::mainQueue().takeAll().empty());
}

} // namespace
