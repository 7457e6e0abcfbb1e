#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

// Dense n-dimensional array of doubles holding every stratified quantity of a model
// (a parameter draw per age group and sex, per-iteration stores, results). A value type:
// copies are deep, moves take over the storage, element-wise operations allocate
// nothing but their result.
class Marray
{
public:
    using Extent = std::uint64_t;

    // List of extents held inline, so that making or copying an array allocates its
    // element storage only. Stratum shapes have two extents, sample shapes three.
    class Shape
    {
    public:
        static constexpr std::size_t Capacity = 8;
        Shape() = default;
        Shape(std::initializer_list<Extent> extents);
        explicit Shape(const std::vector<Extent>& extents);
        std::size_t size() const { return m_count; }
        bool empty() const { return m_count == 0; }
        Extent operator[](std::size_t j) const { return m_extents[j]; }
        Extent& operator[](std::size_t j) { return m_extents[j]; }
        const Extent* begin() const { return m_extents; }
        const Extent* end() const { return m_extents + m_count; }
        void push_back(Extent e);
        std::vector<Extent> toVector() const { return {begin(), end()}; }
        bool operator==(const Shape& other) const;
        bool operator!=(const Shape& other) const { return !(*this == other); }

    private:
        Extent m_extents[Capacity] = {};
        std::size_t m_count = 0;
    };
    enum CoordinateOrder { FirstMajor = 0, LastMajor = 1 };

    Marray() = default;
    Marray(const Shape& shape, double fill, CoordinateOrder order = FirstMajor);
    // Element values are unspecified (zero in practice) until written.
    explicit Marray(const Shape& shape, CoordinateOrder order = FirstMajor);

    Marray(const Marray& other) = default;
    Marray(Marray&& other) noexcept = default;
    // Same shape: element by element; a 0-dimensional source broadcasts into every element.
    Marray& operator=(const Marray& other);
    Marray& operator=(Marray&& other) noexcept;

    std::size_t dimension() const { return m_shape.size(); }
    Extent shape(std::size_t j) const { return m_shape[j]; }
    const Shape& shape() const { return m_shape; }
    std::size_t size() const { return m_data.size(); }
    CoordinateOrder coordinateOrder() const { return m_order; }
    bool isEmpty() const { return m_data.empty(); }

    template <typename Index>
    double& operator[](Index i)
    {
        return m_data[static_cast<std::size_t>(i)];
    }
    template <typename Index>
    double operator[](Index i) const
    {
        return m_data[static_cast<std::size_t>(i)];
    }

    // Coordinates of the element with the given scalar index, in the array's own order.
    void indexToCoordinates(std::size_t index, std::vector<Extent>& coordinates) const;
    std::size_t coordinatesToIndex(const std::vector<Extent>& coordinates) const;

    // Storage runs in scalar-index order.
    double* begin() { return m_data.data(); }
    double* end() { return m_data.data() + m_data.size(); }
    const double* begin() const { return m_data.data(); }
    const double* end() const { return m_data.data() + m_data.size(); }

    // Walks all elements in scalar-index order with their coordinates.
    class Walker
    {
    public:
        explicit Walker(const Marray& array);
        bool atEnd() const { return m_index >= m_array->size(); }
        void next();
        std::size_t index() const { return m_index; }
        const std::vector<Extent>& coordinates() const { return m_coordinates; }
        double value() const { return (*m_array)[m_index]; }

    private:
        const Marray* m_array;
        std::size_t m_index = 0;
        std::vector<Extent> m_coordinates;
    };

    Marray& operator+=(const Marray& other);
    Marray& operator+=(double x);

    friend Marray operator+(const Marray& a, const Marray& b);
    friend Marray operator-(const Marray& a, const Marray& b);
    friend Marray operator*(const Marray& a, const Marray& b);
    friend Marray operator/(const Marray& a, const Marray& b);
    // A temporary left operand is reused, so (a * b) * d allocates one array only.
    friend Marray operator+(Marray&& a, const Marray& b);
    friend Marray operator-(Marray&& a, const Marray& b);
    friend Marray operator*(Marray&& a, const Marray& b);
    friend Marray operator/(Marray&& a, const Marray& b);
    friend Marray operator*(double x, const Marray& a);
    friend Marray operator/(double x, const Marray& a);

private:
    // Both throw ut::Exception, naming the operation and the shapes, when the operands
    // differ in size: the loops would otherwise run past the smaller one.
    template <typename Op>
    static Marray combine(const Marray& a, const Marray& b, Op op, const char* operation);
    template <typename Op>
    static void combineInto(Marray& target, const Marray& b, Op op, const char* operation);
    std::size_t strideOf(std::size_t j) const;
    bool sharesLayoutWith(const Marray& other) const;
    bool broadcastScalar(const Marray& other);

    Shape m_shape;
    CoordinateOrder m_order = FirstMajor;
    std::vector<double> m_data;
};
