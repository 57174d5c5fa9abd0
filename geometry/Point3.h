#pragma once

// A point in model space; every computation on points is per coordinate in double precision.
struct Point3
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend bool operator==(const Point3 &, const Point3 &) = default;
};
