// A wait whose timeout no test run would hear of.
QTRY_VERIFY_WITH_TIMEOUT(ready, 100);
