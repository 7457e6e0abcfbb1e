#include "fn/values/Marray.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include <QStringList>

#include "ut/Exception.h"

namespace {

QString shapeText(const Marray::Shape& shape)
{
    QStringList extents;
    for (Marray::Extent e : shape)
        extents << QString::number(e);
    return QLatin1Char('(') + extents.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// The element count of a shape; a count that no storage could hold is refused here, before
// a wrapped-around product could allocate less than the shape claims.
std::size_t productOf(const Marray::Shape& shape)
{
    const std::size_t limit = std::vector<double>().max_size();
    std::size_t n = 1;
    for (Marray::Extent e : shape) {
        if (e != 0 && n > limit / e)
            throw ut::Exception(
                QStringLiteral("An array of shape %1 has more elements than memory can hold.").arg(shapeText(shape)),
                QStringLiteral("Marray::Marray"));
        n *= static_cast<std::size_t>(e);
    }
    return n;
}

// Element-wise operations read as many elements from each operand as the target holds, and
// operands of different coordinate order are walked by the target's coordinates.
void requireMatchingOperand(const Marray& target, const Marray& operand, const char* operation)
{
    const bool sameOrder = target.coordinateOrder() == operand.coordinateOrder() || target.dimension() <= 1;
    if (target.size() == operand.size() && (sameOrder || target.shape() == operand.shape()))
        return;
    throw ut::Exception(QStringLiteral("Arrays of shapes %1 and %2 cannot be combined element by element (%3).")
                            .arg(shapeText(target.shape()), shapeText(operand.shape()), QLatin1String(operation)),
                        QStringLiteral("Marray::%1").arg(QLatin1String(operation)));
}

} // namespace

Marray::Shape::Shape(std::initializer_list<Extent> extents)
{
    for (Extent e : extents)
        push_back(e);
}

Marray::Shape::Shape(const std::vector<Extent>& extents)
{
    for (Extent e : extents)
        push_back(e);
}

void Marray::Shape::push_back(Extent e)
{
    if (m_count == Capacity)
        throw std::runtime_error("Marray assertion failed.");
    m_extents[m_count++] = e;
}

bool Marray::Shape::operator==(const Shape& other) const
{
    return m_count == other.m_count && std::equal(begin(), end(), other.begin());
}

Marray::Marray(const Shape& shape, double fill, CoordinateOrder order)
    : m_shape(shape)
    , m_order(order)
    , m_data(productOf(shape), fill)
{
}

Marray::Marray(const Shape& shape, CoordinateOrder order)
    : Marray(shape, 0.0, order)
{
}

// A 0-dimensional source fills a shaped target in place, keeping its shape.
bool Marray::broadcastScalar(const Marray& other)
{
    if (!other.m_shape.empty() || m_shape.empty() || m_data.empty() || other.m_data.empty())
        return false;
    std::fill(m_data.begin(), m_data.end(), other.m_data[0]);
    return true;
}

Marray& Marray::operator=(const Marray& other)
{
    if (this == &other)
        return *this;
    if (broadcastScalar(other))
        return *this;
    // An empty placeholder and a 0-dimensional array share the empty shape but not the size.
    if (m_shape == other.m_shape && m_order == other.m_order && m_data.size() == other.m_data.size()) {
        std::copy(other.m_data.begin(), other.m_data.end(), m_data.begin());
        return *this;
    }
    m_shape = other.m_shape;
    m_order = other.m_order;
    m_data = other.m_data;
    return *this;
}

Marray& Marray::operator=(Marray&& other) noexcept
{
    if (this == &other)
        return *this;
    if (broadcastScalar(other))
        return *this;
    m_shape = std::move(other.m_shape);
    m_order = other.m_order;
    m_data = std::move(other.m_data);
    return *this;
}

std::size_t Marray::strideOf(std::size_t j) const
{
    std::size_t stride = 1;
    if (m_order == FirstMajor) {
        for (std::size_t k = j + 1; k < m_shape.size(); ++k)
            stride *= static_cast<std::size_t>(m_shape[k]);
    } else {
        for (std::size_t k = 0; k < j; ++k)
            stride *= static_cast<std::size_t>(m_shape[k]);
    }
    return stride;
}

void Marray::indexToCoordinates(std::size_t index, std::vector<Extent>& coordinates) const
{
    const std::size_t n = m_shape.size();
    coordinates.assign(n, 0);
    if (m_order == FirstMajor) {
        for (std::size_t j = n; j-- > 0;) {
            coordinates[j] = index % m_shape[j];
            index /= m_shape[j];
        }
    } else {
        for (std::size_t j = 0; j < n; ++j) {
            coordinates[j] = index % m_shape[j];
            index /= m_shape[j];
        }
    }
}

std::size_t Marray::coordinatesToIndex(const std::vector<Extent>& coordinates) const
{
    std::size_t index = 0;
    for (std::size_t j = 0; j < m_shape.size(); ++j)
        index += static_cast<std::size_t>(coordinates[j]) * strideOf(j);
    return index;
}

Marray::Walker::Walker(const Marray& array)
    : m_array(&array)
    , m_coordinates(array.dimension(), 0)
{
}

void Marray::Walker::next()
{
    ++m_index;
    const Shape& shape = m_array->shape();
    const std::size_t n = shape.size();
    if (n == 0)
        return;
    // Advance the fastest coordinate first and carry into the slower ones.
    if (m_array->coordinateOrder() == FirstMajor) {
        for (std::size_t j = n; j-- > 0;) {
            if (++m_coordinates[j] < shape[j])
                return;
            m_coordinates[j] = 0;
        }
    } else {
        for (std::size_t j = 0; j < n; ++j) {
            if (++m_coordinates[j] < shape[j])
                return;
            m_coordinates[j] = 0;
        }
    }
}

bool Marray::sharesLayoutWith(const Marray& other) const
{
    return m_order == other.m_order || m_shape.size() <= 1;
}

template <typename Op>
void Marray::combineInto(Marray& target, const Marray& b, Op op, const char* operation)
{
    requireMatchingOperand(target, b, operation);
    const std::size_t n = target.m_data.size();
    double* t = target.m_data.data();
    const double* y = b.m_data.data();
    if (target.sharesLayoutWith(b)) {
        for (std::size_t i = 0; i < n; ++i)
            t[i] = op(t[i], y[i]);
        return;
    }
    // Operands of different coordinate order: walk the target's coordinates and find
    // the other operand's element through its own strides.
    const std::size_t dims = target.m_shape.size();
    std::vector<Extent> coordinates(dims, 0);
    std::vector<std::size_t> strides(dims);
    for (std::size_t j = 0; j < dims; ++j)
        strides[j] = b.strideOf(j);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < n; ++i) {
        t[i] = op(t[i], y[offset]);
        if (target.m_order == FirstMajor) {
            for (std::size_t j = dims; j-- > 0;) {
                offset += strides[j];
                if (++coordinates[j] < target.m_shape[j])
                    break;
                offset -= strides[j] * coordinates[j];
                coordinates[j] = 0;
            }
        } else {
            for (std::size_t j = 0; j < dims; ++j) {
                offset += strides[j];
                if (++coordinates[j] < target.m_shape[j])
                    break;
                offset -= strides[j] * coordinates[j];
                coordinates[j] = 0;
            }
        }
    }
}

template <typename Op>
Marray Marray::combine(const Marray& a, const Marray& b, Op op, const char* operation)
{
    Marray result(a);
    combineInto(result, b, op, operation);
    return result;
}

namespace {
constexpr auto add = [](double x, double y) { return x + y; };
constexpr auto subtract = [](double x, double y) { return x - y; };
constexpr auto multiply = [](double x, double y) { return x * y; };
constexpr auto divide = [](double x, double y) { return x / y; };
} // namespace

Marray& Marray::operator+=(const Marray& other)
{
    if (this == &other) {
        for (double& x : m_data)
            x += x;
        return *this;
    }
    combineInto(*this, other, add, "operator+=");
    return *this;
}

Marray& Marray::operator+=(double x)
{
    for (double& v : m_data)
        v += x;
    return *this;
}

Marray operator+(const Marray& a, const Marray& b)
{
    return Marray::combine(a, b, add, "operator+");
}
Marray operator-(const Marray& a, const Marray& b)
{
    return Marray::combine(a, b, subtract, "operator-");
}
Marray operator*(const Marray& a, const Marray& b)
{
    return Marray::combine(a, b, multiply, "operator*");
}
Marray operator/(const Marray& a, const Marray& b)
{
    return Marray::combine(a, b, divide, "operator/");
}

Marray operator+(Marray&& a, const Marray& b)
{
    Marray result(std::move(a));
    Marray::combineInto(result, b, add, "operator+");
    return result;
}

Marray operator-(Marray&& a, const Marray& b)
{
    Marray result(std::move(a));
    Marray::combineInto(result, b, subtract, "operator-");
    return result;
}

Marray operator*(Marray&& a, const Marray& b)
{
    Marray result(std::move(a));
    Marray::combineInto(result, b, multiply, "operator*");
    return result;
}

Marray operator/(Marray&& a, const Marray& b)
{
    Marray result(std::move(a));
    Marray::combineInto(result, b, divide, "operator/");
    return result;
}

Marray operator*(double x, const Marray& a)
{
    Marray result(a);
    for (double& v : result.m_data)
        v = x * v;
    return result;
}

Marray operator/(double x, const Marray& a)
{
    Marray result(a);
    for (double& v : result.m_data)
        v = x / v;
    return result;
}
