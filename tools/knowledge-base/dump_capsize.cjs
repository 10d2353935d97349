// Prints the family name and category of every entry in @capsizecss/metrics
// as JSON, so the Python builder does not have to parse JavaScript.
// Usage: node dump_capsize.cjs <path to the unpacked package>
'use strict';

const path = require('path');

const pkgDir = process.argv[2];
if (!pkgDir) {
  process.stderr.write('usage: node dump_capsize.cjs <package dir>\n');
  process.exit(2);
}

const mod = require(path.resolve(pkgDir, 'dist', 'entireMetricsCollection.cjs'));
const collection = mod.entireMetricsCollection || mod.default || mod;

const rows = Object.keys(collection)
  .sort()
  .map((key) => ({
    family: collection[key].familyName,
    category: collection[key].category,
  }));

process.stdout.write(JSON.stringify(rows, null, 1) + '\n');
