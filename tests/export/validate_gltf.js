// Runs the Khronos glTF validator on one .gltf or .glb file and prints its report as JSON.
// usage: node validate_gltf.js VALIDATOR_DIR FILE
// Exit status: 0 no errors, 1 errors found, 2 the validator could not run.
'use strict';
const fs = require('fs');
const path = require('path');

const [validatorDir, file] = process.argv.slice(2);
if (!validatorDir || !file) {
    console.error('usage: node validate_gltf.js VALIDATOR_DIR FILE');
    process.exit(2);
}
let validator;
try {
    validator = require(path.join(validatorDir, 'node_modules', 'gltf-validator'));
} catch (e) {
    console.error('gltf-validator is not installed in ' + validatorDir + ': ' + e.message);
    process.exit(2);
}

const bytes = new Uint8Array(fs.readFileSync(file));
validator
    .validateBytes(bytes, {
        uri: path.basename(file),
        maxIssues: 100,
        // Buffers beside a text glTF are read from the same folder.
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.join(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
                    err ? reject(err.toString()) : resolve(new Uint8Array(data)));
            }),
    })
    .then((report) => {
        console.log(JSON.stringify(report, null, 2));
        process.exit(report.issues.numErrors === 0 ? 0 : 1);
    })
    .catch((e) => {
        console.error('validation failed: ' + e);
        process.exit(2);
    });
