// A wait the test goes on after when it times out, and a sleep.
EXPECT_TRUE(QTest::qWaitFor([&] { return ready; }, 100));
QTest::qWait(100);
