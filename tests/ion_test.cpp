// The ion module: m/z, carrier counts, the text's charge against the
// call's, and which atoms a charge adds or takes.
#include <gtest/gtest.h>

#include "ion/adduct.hpp"
#include "ion/charge.hpp"
#include "molecule/elements.hpp"

namespace {

using namespace corvan;

TEST(Ion, MzCountsElectronsBySign) {
    // Hand-worked with the electron mass 5.48579909065e-4 u.
    EXPECT_DOUBLE_EQ(ion::to_mz(1000.0, 2), 499.999451420091);
    EXPECT_DOUBLE_EQ(ion::to_mz(1000.0, -1), 1000.000548579909);
    EXPECT_DOUBLE_EQ(ion::to_mz(1000.0, -3), 1000.001645739727 / 3);
    EXPECT_EQ(ion::to_mz_or_mass(1000.0, 0), 1000.0);
}

TEST(Ion, CarrierCountsAndTheirMessage) {
    int count = 0;
    EXPECT_TRUE(ion::carrier_count(-4, -2, count).ok());
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(ion::carrier_count(-2, 1, count).ok());
    EXPECT_EQ(count, -2); // protons lost
    const Outcome odd = ion::carrier_count(3, 2, count);
    EXPECT_EQ(odd.status, CORVAN_E_CHARGE);
    EXPECT_EQ(odd.message, "charge 3 is no whole number of carriers of charge 2");
    EXPECT_TRUE(ion::charge_in_range(-1000) && !ion::charge_in_range(1001));
}

TEST(Ion, TextChargeAgainstTheCallers) {
    bool from_text = true;
    EXPECT_TRUE(ion::charge_from_text(0, false, 3, "row", from_text).ok());
    EXPECT_FALSE(from_text);
    EXPECT_TRUE(ion::charge_from_text(2, false, 2, "row", from_text).ok());
    EXPECT_FALSE(from_text);
    EXPECT_TRUE(ion::charge_from_text(-2, true, 0, "row", from_text).ok());
    EXPECT_TRUE(from_text);
    EXPECT_EQ(ion::charge_from_text(2, true, 2, "options charge", from_text).status,
              CORVAN_E_CHARGE); // the text's adducts against a charge asked for
    EXPECT_EQ(ion::charge_from_text(2, false, 3, "row", from_text).message,
              "the text gives charge 2 and the row 3");
}

TEST(Ion, NegativeChargeTakesCarriersFromTheMolecule) {
    chem::Composition water;
    water.add_natural(chem::element::H, 2);
    water.add_natural(chem::element::O, 1);
    ion::Ion ion;
    ASSERT_TRUE(ion::ion_composition(water, -1, ion::proton(), ion).ok());
    EXPECT_EQ(ion.molecule.natural[chem::element::H], 1);
    EXPECT_TRUE(ion.carriers.empty());
    ASSERT_TRUE(ion::ion_composition(water, 2, ion::proton(), ion).ok());
    EXPECT_EQ(ion.molecule.natural[chem::element::H], 2);
    EXPECT_EQ(ion.carriers.natural[chem::element::H], 2);
    EXPECT_EQ(ion::ion_composition(water, -3, ion::proton(), ion).status, CORVAN_E_RANGE);
}

} // namespace
