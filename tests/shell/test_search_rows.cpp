// Ingestion order of the search: rows found by halving stay in ascending dotted order, a
// duplicate below the earlier rows with its address, whatever order the answers arrive in.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "shell/device_search.h"
#include "wire.h"

using namespace tav;
using qor::ipFromOctets;

namespace {

// The rows a list built by scanning from the bottom would hold: arrival order, stably sorted
// by dotted address.
std::vector<int> expectedRows(const std::vector<std::uint32_t>& arrivals) {
  std::vector<int> rows(arrivals.size());
  std::iota(rows.begin(), rows.end(), 0);
  std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
    return DottedOrderKey(arrivals[std::size_t(a)]) < DottedOrderKey(arrivals[std::size_t(b)]);
  });
  return rows;
}

std::vector<int> ingest(const std::vector<std::uint32_t>& arrivals) {
  SearchRows rows;
  for (std::size_t i = 0; i < arrivals.size(); ++i) rows.Insert(int(i), arrivals[i]);
  return rows.Indices();
}

}  // namespace

TEST(SearchRows, ReverseArrivalDuplicatesAndEqualAddresses) {
  EXPECT_EQ(DottedOrderKey(ipFromOctets(192, 168, 1, 30)), 0xC0A8011Eu);

  // Answers arriving from the highest address down end in ascending order.
  std::vector<std::uint32_t> reverse;
  for (int i = 300; i > 0; --i)
    reverse.push_back(ipFromOctets(10, 77, std::uint8_t(i / 250), std::uint8_t(i % 250)));
  std::vector<int> rows = ingest(reverse);
  ASSERT_EQ(rows.size(), 300u);
  for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(rows[r], int(299 - r));

  // One board answering three times, others between: its rows keep their arrival order.
  const auto a = ipFromOctets(10, 0, 0, 5), b = ipFromOctets(10, 0, 0, 4);
  const auto c = ipFromOctets(9, 255, 255, 255);
  EXPECT_EQ(ingest({a, b, a, c, a, b}), (std::vector<int>{3, 1, 5, 0, 2, 4}));

  // Octet order, not the word held in memory: 10.0.1.0 sorts after 10.0.0.255.
  EXPECT_EQ(ingest({ipFromOctets(10, 0, 1, 0), ipFromOctets(10, 0, 0, 255)}),
            (std::vector<int>{1, 0}));

  SearchRows cleared;
  cleared.Insert(7, a);
  EXPECT_EQ(cleared.Insert(8, a), 1u);  // the returned row is where it went
  EXPECT_EQ(cleared.Insert(9, b), 0u);
  cleared.Clear();
  EXPECT_EQ(cleared.Size(), 0u);
  EXPECT_EQ(cleared.Insert(1, b), 0u);
}

TEST(SearchRows, RandomArrivalsMatchAStableSortAndTheBottomUpScan) {
  std::mt19937 random(19);
  for (int round = 0; round < 200; ++round) {
    // Few distinct addresses in some rounds, so equal addresses are common.
    const int spread = round % 3 == 0 ? 8 : 1 << 20;
    std::uniform_int_distribution<int> pick(0, spread);
    std::vector<std::uint32_t> arrivals(std::size_t(1 + round * 5));
    for (auto& address : arrivals) {
      const int n = pick(random);
      address = ipFromOctets(std::uint8_t(n % 3 == 0 ? 10 : 192), std::uint8_t(n >> 16),
                             std::uint8_t(n >> 8), std::uint8_t(n));
    }
    EXPECT_EQ(ingest(arrivals), expectedRows(arrivals)) << "round " << round;

    // SortedRowPosition over listed addresses agrees with a scan from the last row upwards.
    std::vector<std::uint32_t> listed;
    for (std::uint32_t address : arrivals) {
      std::size_t scan = listed.size();
      while (scan > 0 && !AddressNotAbove(listed[scan - 1], address)) --scan;
      const std::size_t at = SortedRowPosition(listed, address);
      ASSERT_EQ(at, scan);
      listed.insert(listed.begin() + std::ptrdiff_t(at), address);
    }
  }
}
