"""Reads a NetCDF export of rerove_outlook back with xarray and holds it against
the CSV export of the same tables: realizations are the scenario years, values
the tables' values, time decodes to the outlook's dates, missing days are masked.

usage: check_export_netcdf.py FILE.nc FILE.csv
The CSV is date,year,nbs_m3s[,weight]; exit status 0 when everything agrees.
"""

import csv
import math
import sys

import netCDF4
import numpy as np
import xarray as xr


def main(ncpath, csvpath):
    with open(csvpath, newline="") as f:
        rows = list(csv.DictReader(f))
    years = sorted({int(r["year"]) for r in rows})
    dates = sorted({r["date"] for r in rows})

    with netCDF4.Dataset(ncpath) as raw:
        assert raw.data_model == "NETCDF4_CLASSIC", raw.data_model
        assert raw["nbs"].filters()["zlib"], "nbs is not deflated"

    ds = xr.open_dataset(ncpath)
    assert ds.attrs["Conventions"] == "CF-1.8"
    assert ds["realization"].values.tolist() == years, ds["realization"].values
    assert ds["realization"].attrs["standard_name"] == "realization"
    got = [np.datetime_as_string(t, unit="D") for t in ds["time"].values]
    assert got == dates, (got[:3], dates[:3])
    assert ds["time"].encoding["calendar"] == "standard"
    assert ds["nbs"].attrs["cell_methods"] == "time: mean"
    assert ds["nbs"].attrs["units"] == "m3 s-1"
    assert ds["nbs"].encoding["_FillValue"] == -9999.0
    bounds = ds["time_bnds"].values
    assert (bounds[:, 0] == ds["time"].values).all()
    assert ((bounds[:, 1] - bounds[:, 0]) == np.timedelta64(1, "D")).all()
    assert ds["forecast_reference_time"].values == ds["time"].values[0]

    nbs = ds["nbs"].transpose("realization", "time").values
    row_of = {y: k for k, y in enumerate(years)}
    day_of = {d: k for k, d in enumerate(dates)}
    masked = 0
    for r in rows:
        value = nbs[row_of[int(r["year"])], day_of[r["date"]]]
        if r["nbs_m3s"] == "":
            assert math.isnan(value), (r, value)
            masked += 1
        else:
            assert value == float(r["nbs_m3s"]), (r, value)
    if "weight" in rows[0]:
        weights = {int(r["year"]): float(r["weight"]) for r in rows}
        assert ds["weight"].values.tolist() == [weights[y] for y in years]
    else:
        assert "weight" not in ds
    print(f"{ncpath}: {len(years)} realizations of {len(dates)} days, {masked} masked, as {csvpath}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
