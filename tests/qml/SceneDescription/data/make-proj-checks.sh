#!/bin/sh
# Writes proj-checks.csv: check points for the coordinate converters and the map
# context, computed by PROJ's command-line tools (Debian package proj-bin), an
# implementation independent of the one the program converts with. Run it once and
# commit its output; the tests read the CSV and do not need PROJ.
#
#   tests/qml/SceneDescription/data/make-proj-checks.sh > tests/qml/SceneDescription/data/proj-checks.csv
#
# Rows, by kind (angles in degrees, lengths in metres):
#   utm-forward, zone, north, -, -, latitude, longitude, -, easting, northing, -
#   utm-inverse, zone, north, -, -, easting, northing, -, latitude, longitude, -
#       The northing is always that of the hemisphere the zone is named with
#       (EPSG:326zz north, EPSG:327zz south), also for points of the other one.
#   enu-forward, ref latitude, ref longitude, ref height, -, latitude, longitude, height, east, north, up
#   enu-inverse, ref latitude, ref longitude, ref height, -, east, north, up, latitude, longitude, height
#   webmercator-forward, zoom, -, -, -, latitude, longitude, -, pixel x, pixel y, -
#   webmercator-inverse, zoom, -, -, -, pixel x, pixel y, -, latitude, longitude, -
#       Web-Mercator pixels: 256 * 2^zoom across the world, x east from -180 degrees,
#       y south from the northern edge (a linear map of EPSG:3857 metres).
#   geocentric-radius, -, -, -, -, latitude, -, -, distance from the earth's centre, -, -
#       on the ellipsoid a = 6378137, b = 6356752 that the map context uses.
set -eu
command -v cs2cs >/dev/null && command -v cct >/dev/null || {
    echo "cs2cs and cct are needed: apt-get install proj-bin" >&2
    exit 1
}

echo "# Made by make-proj-checks.sh with $(cs2cs 2>&1 | head -n 1 | tr -d '\r'); do not edit."
echo "kind,p1,p2,p3,p4,in1,in2,in3,out1,out2,out3"

epsg_utm() { # zone north
    if [ "$2" = 1 ]; then echo "EPSG:326$(printf %02d "$1")"; else echo "EPSG:327$(printf %02d "$1")"; fi
}

utm_forward() { # zone north lat lon
    out=$(echo "$3 $4" | cs2cs -f "%.6f" EPSG:4326 "$(epsg_utm "$1" "$2")" | awk '{print $1","$2}')
    echo "utm-forward,$1,$2,,,$3,$4,,$out,"
}

utm_inverse() { # zone north easting northing
    out=$(echo "$3 $4" | cs2cs -f "%.12f" "$(epsg_utm "$1" "$2")" EPSG:4326 | awk '{print $1","$2}')
    echo "utm-inverse,$1,$2,,,$3,$4,,$out,"
}

topocentric() { # lat0 lon0 h0
    echo "+proj=pipeline +step +proj=cart +ellps=WGS84 +step +proj=topocentric +ellps=WGS84 +lat_0=$1 +lon_0=$2 +h_0=$3"
}

enu_forward() { # lat0 lon0 h0 lat lon h
    # shellcheck disable=SC2046
    out=$(echo "$5 $4 $6 0" | cct -d 9 $(topocentric "$1" "$2" "$3") | awk '{print $1","$2","$3}')
    echo "enu-forward,$1,$2,$3,,$4,$5,$6,$out"
}

enu_inverse() { # lat0 lon0 h0 e n u
    # shellcheck disable=SC2046
    out=$(echo "$4 $5 $6 0" | cct -I -d 12 $(topocentric "$1" "$2" "$3") | awk '{printf "%s,%s,%s", $2, $1, $3}')
    echo "enu-inverse,$1,$2,$3,,$4,$5,$6,$out"
}

mercator_forward() { # zoom lat lon
    out=$(echo "$2 $3" | cs2cs -f "%.6f" EPSG:4326 EPSG:3857 | awk -v z="$1" '
        { pi = atan2(0, -1); a = 6378137; n = 2 ^ z
          printf "%.9f,%.9f", ($1 / a + pi) * 256 * n / (2 * pi), (pi - $2 / a) * 256 * n / (2 * pi) }')
    echo "webmercator-forward,$1,,,,$2,$3,,$out,"
}

mercator_inverse() { # zoom x y
    metres=$(awk -v z="$1" -v x="$2" -v y="$3" 'BEGIN {
        pi = atan2(0, -1); a = 6378137; n = 2 ^ z
        printf "%.6f %.6f", x * 2 * pi * a / (256 * n) - pi * a, pi * a - y * 2 * pi * a / (256 * n) }')
    out=$(echo "$metres" | cs2cs -f "%.12f" EPSG:3857 EPSG:4326 | awk '{print $1","$2}')
    echo "webmercator-inverse,$1,,,,$2,$3,,$out,"
}

geocentric_radius() { # lat
    out=$(echo "0 $1 0 0" | cct -d 6 +proj=cart +a=6378137 +b=6356752 | awk '{printf "%.6f", sqrt($1 * $1 + $3 * $3)}')
    echo "geocentric-radius,,,,,$1,,,$out,,"
}

# UTM, northern zones: inside, at both zone edges, a degree outside, near the 84 degree limit.
utm_forward 31 1 52 5
utm_forward 31 1 0.5 3
utm_forward 31 1 45 0.0001
utm_forward 31 1 45 5.9999
utm_forward 31 1 60 -1
utm_forward 31 1 83.99 3
utm_forward 31 1 84 5.5
utm_forward 17 1 40.7 -81
utm_forward 32 1 64 8.9
# Southern zones, down to the 80 degree limit.
utm_forward 33 0 -33.9 15
utm_forward 33 0 -0.5 12.1
utm_forward 33 0 -79.9 12
utm_forward 33 0 -80 17.9
utm_forward 56 0 -33.86 151.2
utm_forward 19 0 -54.8 -68.3
# The antimeridian: zone 60 just east of it and across it, zone 1 the same from the west.
utm_forward 60 1 10 179.9999
utm_forward 60 1 10 -179.5
utm_forward 1 0 -10 -179.9999
utm_forward 1 0 -10 179.5
# A point of the other hemisphere: its northing continues the zone's own hemisphere.
utm_forward 31 1 -1 3
utm_forward 31 1 -0.001 4
utm_forward 31 0 1 3
utm_forward 33 1 -10 15

utm_inverse 31 1 637294.3659 5762926.8129
utm_inverse 31 1 500000 0
utm_inverse 31 1 166021.4431 9329005.1825
utm_inverse 17 1 331792 4507557
utm_inverse 33 0 300000 6000000
utm_inverse 33 0 834000 1110000
utm_inverse 60 1 833000 1105000
utm_inverse 1 0 166000 8894000
utm_inverse 31 1 700000 -110530
utm_inverse 31 0 500000 10110000
utm_inverse 33 0 445000 1115000

# Local tangent plane (east, north, up) around references on both hemispheres, near a
# pole and at the antimeridian; a reference without height takes height 0.
enu_forward 52 5 10 52.001 5.001 20
enu_forward 52 5 10 52 5 10
enu_forward 52 5 10 51.7 4.2 -30
enu_forward 52 5 10 53.5 7.5 2500
enu_forward -33.9 18.4 0 -34.1 18.9 120
enu_forward -33.9 18.4 0 -33.85 18.35 -5
enu_forward 89.9 0 100 89.95 90 150
enu_forward 89.9 0 100 89.8 -170 0
enu_forward -89.5 45 2800 -89.6 -120 2900
enu_forward 0 179.99 0 0.01 -179.99 5
enu_forward 0 179.99 0 -0.02 179.95 -1
enu_forward 45 -120 0 45.01 -119.98 300
enu_forward 45 -120 0 44.9 -120.2 0

enu_inverse 52 5 10 68.6767 111.2682 9.9987
enu_inverse 52 5 10 -5000 5000 -50
enu_inverse -33.9 18.4 0 46000 -22000 120
enu_inverse 89.9 0 100 3000 -2000 20
enu_inverse 0 179.99 0 2226 1105 5
enu_inverse 45 -120 0 -15700 -11100 -20

# Web Mercator pixels at several zoom levels, near the projection's latitude limit and
# at the antimeridian.
mercator_forward 1 0 0
mercator_forward 0 0 0
mercator_forward 1 52 5
mercator_forward 10 52 5
mercator_forward 18 52 5
mercator_forward 15 -33.9 151.2
mercator_forward 3 85 179.9
mercator_forward 0 -85 -179.9
mercator_forward 30 60 -45
mercator_forward 22 -0.000001 0.000001

mercator_inverse 1 256 256
mercator_inverse 10 134656.5 87386.25
mercator_inverse 18 34472123.25 22371071.5
mercator_inverse 3 2047.5 2.5
mercator_inverse 30 100000000000 50000000000

geocentric_radius 0
geocentric_radius 30
geocentric_radius 45
geocentric_radius 60
geocentric_radius 89
geocentric_radius -60
