#include <cmath>

#include <gtest/gtest.h>

#include "fn/values/Marray.h"
#include "ut/Exception.h"

namespace {

Marray counting(const Marray::Shape& shape, Marray::CoordinateOrder order = Marray::FirstMajor)
{
    Marray a(shape, 0.0, order);
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<double>(i + 1);
    return a;
}

} // namespace

TEST(Marray, ShapesAndCoordinates)
{
    const Marray scalar(Marray::Shape{}, 4.0);
    EXPECT_EQ(scalar.dimension(), 0u);
    EXPECT_EQ(scalar.size(), 1u);
    EXPECT_EQ(scalar[0], 4.0);

    const Marray strata({19, 2}, 0.0);
    std::vector<Marray::Extent> c;
    strata.indexToCoordinates(5, c);
    EXPECT_EQ(c, (std::vector<Marray::Extent>{2, 1}));
    strata.indexToCoordinates(37, c);
    EXPECT_EQ(c, (std::vector<Marray::Extent>{18, 1}));
    EXPECT_EQ(strata.coordinatesToIndex({18, 1}), 37u);

    const Marray lastMajor({3, 4}, 0.0, Marray::LastMajor);
    EXPECT_EQ(lastMajor.coordinatesToIndex({1, 2}), 7u);
    lastMajor.indexToCoordinates(7, c);
    EXPECT_EQ(c, (std::vector<Marray::Extent>{1, 2}));

    EXPECT_TRUE(Marray().isEmpty());
    EXPECT_EQ(Marray().size(), 0u);
}

TEST(Marray, WalkerVisitsScalarIndexOrderWithCoordinates)
{
    const Marray a = counting({2, 3});
    std::vector<std::vector<Marray::Extent>> seen;
    std::size_t expectedIndex = 0;
    for (Marray::Walker w(a); !w.atEnd(); w.next()) {
        EXPECT_EQ(w.index(), expectedIndex++);
        EXPECT_EQ(w.value(), static_cast<double>(w.index() + 1));
        seen.push_back(w.coordinates());
    }
    const std::vector<std::vector<Marray::Extent>> expected = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
    EXPECT_EQ(seen, expected);
}

TEST(Marray, MixedCoordinateOrdersGiveTheContiguousResult)
{
    // The same logical array stored last-major: element (i, j) of a 3x4 array.
    const Marray first = counting({3, 4});
    Marray last({3, 4}, 0.0, Marray::LastMajor);
    for (Marray::Walker w(first); !w.atEnd(); w.next())
        last[last.coordinatesToIndex(w.coordinates())] = w.value() * 10.0;
    const Marray sum = first + last;
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(sum[i], first[i] * 11.0) << i;
}

TEST(Marray, AssignmentCopiesBroadcastsAndIsAliasSafe)
{
    Marray target({19, 2}, 0.0);
    target = Marray(Marray::Shape{}, 2.5);
    EXPECT_EQ(target.size(), 38u);
    for (double v : target)
        EXPECT_EQ(v, 2.5);

    Marray a = counting({4, 2});
    const Marray b({4, 2}, 3.0);
    const Marray fresh = a * b;
    a = a * b;
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i], fresh[i]);

    Marray copy = a;
    copy[0] = -1.0;
    EXPECT_EQ(a[0], fresh[0]);

    Marray small({2}, 0.0);
    small = counting({5, 2});
    EXPECT_EQ(small.size(), 10u);
    EXPECT_EQ(small.shape(0), 5u);
    EXPECT_EQ(small[9], 10.0);
}

TEST(Marray, OperandsOfAnotherSizeAreRefusedNamingTheShapes)
{
    const Marray twenty(Marray::Shape{20, 2}, 1.0);
    const Marray nineteen(Marray::Shape{19, 2}, 1.0);
    Marray sum(Marray::Shape{20, 2}, 0.0);
    try {
        sum += nineteen;
        ADD_FAILURE() << "adding 38 elements to 40 passed";
    } catch (const ut::Exception& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Arrays of shapes (20, 2) and (19, 2) cannot be combined element by "
                                 "element (operator+=)."));
        EXPECT_EQ(e.place(), "Marray::operator+=");
    }
    EXPECT_THROW(twenty + nineteen, ut::Exception);
    EXPECT_THROW(nineteen - twenty, ut::Exception);
    EXPECT_THROW(twenty * nineteen, ut::Exception);
    EXPECT_THROW(Marray(twenty) / nineteen, ut::Exception);
    // Equal sizes of another layout in the same order still combine element by element.
    EXPECT_EQ((twenty + Marray(Marray::Shape{40}, 2.0))[39], 3.0);
    // Other coordinate orders are walked by coordinates, which only equal shapes share.
    EXPECT_THROW(Marray(Marray::Shape{2, 3}, 1.0) + Marray(Marray::Shape{3, 2}, 1.0, Marray::LastMajor), ut::Exception);

    // A shape whose element count no memory can hold is refused before anything is allocated.
    EXPECT_THROW(Marray(Marray::Shape{1ull << 32, 1ull << 32, 2}, 0.0), ut::Exception);
}
