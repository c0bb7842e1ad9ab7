#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

namespace telvora {

/// An enumeration whose raw value, identity and display title are one string.
/// `Derived` supplies `enum Case` and a `titles` table in case order.
template<typename Derived, typename CaseType, std::size_t N>
class TitledEnumeration
{
public:
    using Case = CaseType;

    constexpr TitledEnumeration(Case value) noexcept
        : m_case(value)
    {}

    constexpr Case value() const noexcept { return m_case; }

    QString rawValue() const { return Derived::titles[static_cast<std::size_t>(m_case)].toString(); }
    QString id() const { return rawValue(); }
    QString title() const { return rawValue(); }

    /// Exact, case-sensitive match on a title.
    static std::optional<Derived> fromRawValue(QStringView raw)
    {
        for (std::size_t i = 0; i < N; ++i) {
            if (Derived::titles[i] == raw)
                return Derived(static_cast<Case>(i));
        }
        return std::nullopt;
    }

    static constexpr std::array<Derived, N> allCases()
    {
        return [&]<std::size_t... I>(std::index_sequence<I...>)
        {
            return std::array<Derived, N>{Derived(static_cast<Case>(I))...};
        }
        (std::make_index_sequence<N>());
    }

    friend constexpr bool operator==(Derived a, Derived b) noexcept { return a.m_case == b.m_case; }
    friend size_t qHash(Derived v, size_t seed = 0) noexcept { return ::qHash(static_cast<int>(v.m_case), seed); }

private:
    Case m_case;
};

} // namespace telvora
